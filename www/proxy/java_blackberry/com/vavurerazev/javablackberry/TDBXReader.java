package com.vavurerazev.javablackberry;

/** A table as the server sends it: its JSON form, kept as it came. */
public class TDBXReader {
  protected final TJSONValue json;

  public TDBXReader(TJSONValue json) {
    this.json = json;
  }

  public TJSONValue asJSON() {
    return json;
  }
}
