package com.vavurerazev.javaandroid;

public class TJSONFalse extends TJSONValue {
  @Override
  public String toString() { return "false"; }
}
