package com.vavurerazev.javaandroid;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXInt32Value extends DBXValue {
  public TDBXInt32Value() {
    super(DBXDataTypes.UnknownType);
  }
}
