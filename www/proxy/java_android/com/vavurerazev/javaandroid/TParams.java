package com.vavurerazev.javaandroid;

public class TParams extends TDBXReader {
  public TParams(TJSONObject table) { super(table); }
}
