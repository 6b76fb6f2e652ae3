package com.vavurerazev.javablackberry;

/** Base of the generated client classes: holds the connection their commands run on. */
public class DSAdmin {
  private final DSRESTConnection connection;

  public DSAdmin(DSRESTConnection Connection) { connection = Connection; }

  public DSRESTConnection getConnection() { return connection; }
}
