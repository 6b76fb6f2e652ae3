package com.vavurerazev.javaandroid;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXWideStringValue extends DBXValue {
  public TDBXWideStringValue() {
    super(DBXDataTypes.UnknownType);
  }
}
