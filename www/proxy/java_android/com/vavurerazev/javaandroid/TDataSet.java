package com.vavurerazev.javaandroid;

public class TDataSet extends TDBXReader {
  public TDataSet(TJSONValue json) {
    super(json);
  }
}
