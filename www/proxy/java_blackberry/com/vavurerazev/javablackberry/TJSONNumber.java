package com.vavurerazev.javablackberry;

public class TJSONNumber extends TJSONValue {
  private final double value;

  public TJSONNumber(double value) {
    this.value = value;
  }

  public double getValue() {
    return value;
  }

  @Override
  public String toString() {
    return value == Math.rint(value) && Math.abs(value) < 1e15 ? Long.toString((long) value) : Double.toString(value);
  }
}
