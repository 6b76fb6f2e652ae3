package com.vavurerazev.javablackberry;

/** A failed remote call: the server's error text or a transport failure. */
public class DBXException extends Exception {
  private static final long serialVersionUID = 1L;

  public DBXException(String message) {
    super(message);
  }

  public DBXException(String message, Throwable cause) {
    super(message, cause);
  }
}
