package com.vavurerazev.javaandroid;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXSingleValue extends DBXValue {
  public TDBXSingleValue() {
    super(DBXDataTypes.UnknownType);
  }
}
