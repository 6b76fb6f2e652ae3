package com.vavurerazev.javablackberry;

public class TJSONNumber extends TJSONValue {
  private final String text;

  public TJSONNumber(String text) { this.text = text; }

  public TJSONNumber(double value) { this(value == Math.rint(value) && Math.abs(value) < 1e15 ? Long.toString((long) value) : Double.toString(value)); }

  public double getValue() { return Double.parseDouble(text); }
  public long getLong() { return (long) Double.parseDouble(text); }

  @Override
  public String toString() { return text; }
}
