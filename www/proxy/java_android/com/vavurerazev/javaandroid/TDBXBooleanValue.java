package com.vavurerazev.javaandroid;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXBooleanValue extends DBXValue {
  public TDBXBooleanValue() {
    super(DBXDataTypes.UnknownType);
  }
}
