package com.vavurerazev.javaandroid;

public class DSRESTParameterMetaData {
  public final String Name;
  public final int Direction;
  public final int DBXType;
  public final String TypeName;

  public DSRESTParameterMetaData(String name, int direction, int dbxType, String typeName) {
    Name = name;
    Direction = direction;
    DBXType = dbxType;
    TypeName = typeName;
  }
}
