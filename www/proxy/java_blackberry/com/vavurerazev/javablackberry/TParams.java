package com.vavurerazev.javablackberry;

public class TParams extends TDBXReader {
  public TParams(TJSONValue json) {
    super(json);
  }
}
