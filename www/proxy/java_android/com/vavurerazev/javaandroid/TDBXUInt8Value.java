package com.vavurerazev.javaandroid;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXUInt8Value extends DBXValue {
  public TDBXUInt8Value() {
    super(DBXDataTypes.UnknownType);
  }
}
