package com.vavurerazev.javablackberry;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXUInt16Value extends DBXValue {
  public TDBXUInt16Value() {
    super(DBXDataTypes.UnknownType);
  }
}
