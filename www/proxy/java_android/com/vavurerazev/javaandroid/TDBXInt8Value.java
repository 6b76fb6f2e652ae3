package com.vavurerazev.javaandroid;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXInt8Value extends DBXValue {
  public TDBXInt8Value() {
    super(DBXDataTypes.UnknownType);
  }
}
