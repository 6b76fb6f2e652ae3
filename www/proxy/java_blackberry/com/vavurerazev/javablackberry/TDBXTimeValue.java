package com.vavurerazev.javablackberry;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXTimeValue extends DBXValue {
  public TDBXTimeValue() {
    super(DBXDataTypes.UnknownType);
  }
}
