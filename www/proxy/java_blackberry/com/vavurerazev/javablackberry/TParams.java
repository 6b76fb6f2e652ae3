package com.vavurerazev.javablackberry;

public class TParams extends TDBXReader {
  public TParams(TJSONObject table) { super(table); }
}
