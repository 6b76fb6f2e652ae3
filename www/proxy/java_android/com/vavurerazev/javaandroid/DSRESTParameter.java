package com.vavurerazev.javaandroid;

public class DSRESTParameter {
  private final DSRESTParameterMetaData metaData;
  private final DBXValue value;

  public DSRESTParameter(DSRESTParameterMetaData metaData) {
    this.metaData = metaData;
    this.value = new DBXValue(metaData.DBXType);
    this.value.typeName = metaData.TypeName;
  }

  public DSRESTParameterMetaData getMetaData() {
    return metaData;
  }

  public DBXValue getValue() {
    return value;
  }
}
