package com.vavurerazev.javaandroid;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXInt64Value extends DBXValue {
  public TDBXInt64Value() {
    super(DBXDataTypes.UnknownType);
  }
}
