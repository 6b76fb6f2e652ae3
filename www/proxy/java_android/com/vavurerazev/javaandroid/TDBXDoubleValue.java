package com.vavurerazev.javaandroid;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXDoubleValue extends DBXValue {
  public TDBXDoubleValue() {
    super(DBXDataTypes.UnknownType);
  }
}
