package com.vavurerazev.javablackberry;

public class TJSONTrue extends TJSONValue {
  @Override
  public String toString() { return "true"; }
}
