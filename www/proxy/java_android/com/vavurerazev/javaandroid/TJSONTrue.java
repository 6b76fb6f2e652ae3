package com.vavurerazev.javaandroid;

public class TJSONTrue extends TJSONValue {
  @Override
  public String toString() { return "true"; }
}
