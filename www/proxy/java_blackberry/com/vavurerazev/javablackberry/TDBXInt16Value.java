package com.vavurerazev.javablackberry;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXInt16Value extends DBXValue {
  public TDBXInt16Value() {
    super(DBXDataTypes.UnknownType);
  }
}
