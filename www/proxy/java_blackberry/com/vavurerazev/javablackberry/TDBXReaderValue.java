package com.vavurerazev.javablackberry;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXReaderValue extends DBXValue {
  public TDBXReaderValue() {
    super(DBXDataTypes.UnknownType);
  }
}
