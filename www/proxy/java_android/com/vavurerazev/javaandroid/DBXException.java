package com.vavurerazev.javaandroid;

/** A failed call: the server's error text, or what went wrong on the way. */
public class DBXException extends Exception {
  private static final long serialVersionUID = 1L;

  public DBXException(String message) { super(message); }

  public DBXException(String message, Throwable cause) { super(message, cause); }
}
