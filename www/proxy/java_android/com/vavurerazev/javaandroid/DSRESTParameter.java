package com.vavurerazev.javaandroid;

/** One parameter of a prepared command and its value. */
public class DSRESTParameter {
  private final DSRESTParameterMetaData metaData;
  private final DBXValue value = new DBXValue();

  public DSRESTParameter(DSRESTParameterMetaData metaData) { this.metaData = metaData; }

  public String getName() { return metaData.Name; }
  public int getDirection() { return metaData.Direction; }
  public int getDBXType() { return metaData.DBXType; }
  public String getTypeName() { return metaData.TypeName; }
  public DBXValue getValue() { return value; }

  public boolean isInput() {
    return metaData.Direction == DSRESTParamDirection.Input || metaData.Direction == DSRESTParamDirection.InputOutput;
  }

  public boolean isOutput() { return metaData.Direction != DSRESTParamDirection.Input; }
}
