package com.vavurerazev.javablackberry;

public class TDataSet extends TDBXReader {
  public TDataSet(TJSONValue json) {
    super(json);
  }
}
