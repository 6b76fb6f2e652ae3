package com.vavurerazev.javaandroid;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXAnsiStringValue extends DBXValue {
  public TDBXAnsiStringValue() {
    super(DBXDataTypes.UnknownType);
  }
}
