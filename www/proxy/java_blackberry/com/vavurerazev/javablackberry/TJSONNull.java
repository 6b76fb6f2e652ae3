package com.vavurerazev.javablackberry;

public class TJSONNull extends TJSONValue {
  @Override
  public String toString() { return "null"; }
}
