package com.vavurerazev.javaandroid;

public class TParams extends TDBXReader {
  public TParams(TJSONValue json) {
    super(json);
  }
}
