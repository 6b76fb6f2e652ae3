package com.vavurerazev.javaandroid;

/** Base of the generated client classes: the connection their commands run on. */
public class DSAdmin {
  private final DSRESTConnection connection;

  public DSAdmin(DSRESTConnection connection) {
    this.connection = connection;
  }

  public DSRESTConnection getConnection() {
    return connection;
  }
}
