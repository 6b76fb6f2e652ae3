package com.vavurerazev.javablackberry;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXAnsiCharsValue extends DBXValue {
  public TDBXAnsiCharsValue() {
    super(DBXDataTypes.UnknownType);
  }
}
