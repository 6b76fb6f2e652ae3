package com.vavurerazev.javablackberry;

public class TJSONString extends TJSONValue {
  private final String value;

  public TJSONString(String value) { this.value = value; }

  public String getValue() { return value; }

  @Override
  public String toString() { return quote(value); }
}
