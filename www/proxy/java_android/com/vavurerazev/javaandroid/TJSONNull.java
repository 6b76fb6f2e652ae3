package com.vavurerazev.javaandroid;

public class TJSONNull extends TJSONValue {
  @Override
  public String toString() { return "null"; }
}
