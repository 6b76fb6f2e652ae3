package com.vavurerazev.javablackberry;

/** A table as the server sends it: its JSON table form, rows as they came. */
public class TDBXReader {
  private final TJSONObject table;

  public TDBXReader(TJSONObject table) { this.table = table; }

  public TJSONObject asJSONObject() { return table; }
}
