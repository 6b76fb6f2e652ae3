package com.vavurerazev.javaandroid;

public class TDataSet extends TDBXReader {
  public TDataSet(TJSONObject table) { super(table); }
}
