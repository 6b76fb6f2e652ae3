package com.vavurerazev.javablackberry;

public class TDataSet extends TDBXReader {
  public TDataSet(TJSONObject table) { super(table); }
}
