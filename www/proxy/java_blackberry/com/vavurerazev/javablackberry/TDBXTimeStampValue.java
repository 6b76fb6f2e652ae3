package com.vavurerazev.javablackberry;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXTimeStampValue extends DBXValue {
  public TDBXTimeStampValue() {
    super(DBXDataTypes.UnknownType);
  }
}
