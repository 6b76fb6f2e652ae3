package com.vavurerazev.javaandroid;

/** A value holder of the remoting layer: a value that may be null. */
public class TDBXBcdValue extends DBXValue {
  public TDBXBcdValue() {
    super(DBXDataTypes.UnknownType);
  }
}
