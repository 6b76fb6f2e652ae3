package com.vavurerazev.javablackberry;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXStreamValue extends DBXValue {
  public TDBXStreamValue() {
    super(DBXDataTypes.UnknownType);
  }
}
