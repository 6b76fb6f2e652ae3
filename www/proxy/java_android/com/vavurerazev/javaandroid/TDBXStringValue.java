package com.vavurerazev.javaandroid;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXStringValue extends DBXValue {
  public TDBXStringValue() {
    super(DBXDataTypes.UnknownType);
  }
}
