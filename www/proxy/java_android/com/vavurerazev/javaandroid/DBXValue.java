package com.vavurerazev.javaandroid;

import java.util.Date;

/** One parameter value: null until set, kept in its JSON form for the wire. */
public class DBXValue {
  protected final int dbxType;
  protected TJSONValue json = new TJSONNull();
  protected Object object;
  String typeName;  // the declared type of the parameter, for value holders

  public DBXValue(int dbxType) {
    this.dbxType = dbxType;
  }

  public int getDBXType() {
    return dbxType;
  }

  public boolean isNull() {
    return json instanceof TJSONNull && object == null;
  }

  public TJSONValue toJSON() {
    if (object instanceof DBXValue) return ((DBXValue) object).toJSON();
    if (object instanceof TDBXReader) return ((TDBXReader) object).asJSON();
    return json;
  }

  public void fromJSON(TJSONValue value) {
    object = null;
    json = value == null ? new TJSONNull() : value;
  }

  private void set(TJSONValue value) {
    object = null;
    json = value;
  }

  private double number() {
    if (json instanceof TJSONNumber) return ((TJSONNumber) json).getValue();
    if (json instanceof TJSONTrue) return 1;
    if (json instanceof TJSONString) {
      try {
        return Double.parseDouble(((TJSONString) json).getValue());
      } catch (NumberFormatException e) {
        return 0;
      }
    }
    return 0;
  }

  public void SetTDBXNull(String typeName) {
    set(new TJSONNull());
  }

  public void SetAsString(String v) { set(v == null ? new TJSONNull() : new TJSONString(v)); }
  public String GetAsString() {
    if (json instanceof TJSONNull) return null;
    return json instanceof TJSONString ? ((TJSONString) json).getValue() : json.toString();
  }
  public void SetAsAnsiString(String v) { SetAsString(v); }
  public String GetAsAnsiString() { return GetAsString(); }
  public void SetAsBoolean(boolean v) { set(v ? new TJSONTrue() : new TJSONFalse()); }
  public boolean GetAsBoolean() { return json instanceof TJSONTrue || number() != 0; }
  public void SetAsTDBXDate(int v) { set(new TJSONNumber(v)); }
  public int GetAsTDBXDate() { return (int) number(); }
  public void SetAsTDBXTime(int v) { set(new TJSONNumber(v)); }
  public int GetAsTDBXTime() { return (int) number(); }
  public void SetAsInt8(int v) { set(new TJSONNumber(v)); }
  public int GetAsInt8() { return (int) number(); }
  public void SetAsInt16(int v) { set(new TJSONNumber(v)); }
  public int GetAsInt16() { return (int) number(); }
  public void SetAsInt32(int v) { set(new TJSONNumber(v)); }
  public int GetAsInt32() { return (int) number(); }
  public void SetAsUInt8(int v) { set(new TJSONNumber(v)); }
  public int GetAsUInt8() { return (int) number(); }
  public void SetAsUInt16(int v) { set(new TJSONNumber(v)); }
  public int GetAsUInt16() { return (int) number(); }
  public void SetAsUInt32(int v) { set(new TJSONNumber(v)); }
  public int GetAsUInt32() { return (int) number(); }
  public void SetAsInt64(long v) { set(new TJSONNumber(v)); }
  public long GetAsInt64() { return (long) number(); }
  public void SetAsUInt64(long v) { set(new TJSONNumber(v)); }
  public long GetAsUInt64() { return (long) number(); }
  public void SetAsDouble(double v) { set(new TJSONNumber(v)); }
  public double GetAsDouble() { return number(); }
  public void SetAsCurrency(double v) { set(new TJSONNumber(v)); }
  public double GetAsCurrency() { return number(); }
  public void SetAsSingle(float v) { set(new TJSONNumber(v)); }
  public float GetAsSingle() { return (float) number(); }
  public void SetAsBcd(double v) { set(new TJSONNumber(v)); }
  public double GetAsBcd() { return number(); }
  public void SetAsDateTime(Date v) { set(v == null ? new TJSONNull() : new TJSONNumber(v.getTime())); }
  public Date GetAsDateTime() { return json instanceof TJSONNull ? null : new Date((long) number()); }
  public void SetAsTimeStamp(Date v) { SetAsDateTime(v); }
  public Date GetAsTimeStamp() { return GetAsDateTime(); }

  public void SetAsStream(TStream v) {
    TJSONArray bytes = new TJSONArray();
    if (v != null)
      for (byte b : v.asByteArray()) bytes.add(new TJSONNumber(b & 0xFF));
    set(v == null ? new TJSONNull() : bytes);
  }

  public TStream GetAsStream() {
    if (!(json instanceof TJSONArray)) return null;
    TJSONArray a = (TJSONArray) json;
    byte[] bytes = new byte[a.size()];
    for (int i = 0; i < bytes.length; i++) bytes[i] = (byte) ((TJSONNumber) a.get(i)).getValue();
    return new TStream(bytes);
  }

  public void SetAsJSONValue(TJSONValue v) { set(v == null ? new TJSONNull() : v); }
  public TJSONValue GetAsJSONValue() { return json instanceof TJSONNull ? null : json; }

  public void SetAsTable(Object v) {
    set(new TJSONNull());
    object = v;
  }

  public Object GetAsTable() {
    if (object != null) return object;
    return json instanceof TJSONNull ? null : new TDBXReader(json);
  }

  public void SetAsObject(Object v) {
    set(new TJSONNull());
    object = v;
  }

  public Object GetAsObject() { return object; }

  public void SetAsDBXValue(DBXValue v) {
    set(new TJSONNull());
    object = v;
  }

  /** The value in a holder of the parameter's declared holder class when there is one. */
  private DBXValue newHolder() {
    if (typeName != null) {
      try {
        Class<?> c = Class.forName(DBXValue.class.getPackage().getName() + "." + typeName);
        if (DBXValue.class.isAssignableFrom(c)) return (DBXValue) c.getDeclaredConstructor().newInstance();
      } catch (ReflectiveOperationException e) {
        // not a holder class of this library: a plain value holds it
      }
    }
    return new DBXValue(dbxType);
  }

  public DBXValue GetAsDBXValue() {
    DBXValue holder = object instanceof DBXValue ? (DBXValue) object : newHolder();
    holder.fromJSON(toJSON());
    return holder;
  }
}
