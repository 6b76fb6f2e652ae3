package com.vavurerazev.javablackberry;

public class TJSONFalse extends TJSONValue {
  @Override
  public String toString() { return "false"; }
}
