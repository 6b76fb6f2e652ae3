package com.vavurerazev.javaandroid;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXDateValue extends DBXValue {
  public TDBXDateValue() {
    super(DBXDataTypes.UnknownType);
  }
}
