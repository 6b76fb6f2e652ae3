// Parameter values, the value-holder classes, streams and tables of the C# client.
using System;
using System.Globalization;
using System.IO;

namespace Vavurerazev.Dataserver.WindowsPhone7
{
  public class TStream : MemoryStream
  {
    public TStream(byte[] bytes) : base(bytes) { }
  }

  // A table as the server sends it: its JSON table form, rows as they came.
  public class TDBXReader
  {
    private readonly TJSONObject table;
    public TDBXReader(TJSONObject table) { this.table = table; }
    public TJSONObject AsJSONObject() { return table; }
  }

  public class TDataSet : TDBXReader
  {
    public TDataSet(TJSONObject table) : base(table) { }
  }

  public class TParams : TDBXReader
  {
    public TParams(TJSONObject table) : base(table) { }
  }

  public class DBXValue
  {
    private object value;
    private string typeName = "";

    public bool IsNull { get { return value == null; } }
    public string TypeName { get { return typeName; } }

    private long Number() { return value is bool ? ((bool)value ? 1 : 0) : Convert.ToInt64(value ?? 0, CultureInfo.InvariantCulture); }
    private double Real() { return Convert.ToDouble(value ?? 0, CultureInfo.InvariantCulture); }
    private string Text() { return value == null ? null : Convert.ToString(value, CultureInfo.InvariantCulture); }

    public void SetTDBXNull(string name) { typeName = name; value = null; }
    public void SetAsAnsiString(String v) { value = v; }
    public String GetAsAnsiString() { return Text(); }
    public void SetAsString(String v) { value = v; }
    public String GetAsString() { return Text(); }
    public void SetAsBoolean(bool v) { value = v; }
    public bool GetAsBoolean() { return value is bool ? (bool)value : Number() != 0; }
    public void SetAsInt8(int v) { value = (long)v; }
    public int GetAsInt8() { return (int)Number(); }
    public void SetAsUInt8(int v) { value = (long)v; }
    public int GetAsUInt8() { return (int)Number(); }
    public void SetAsInt16(int v) { value = (long)v; }
    public int GetAsInt16() { return (int)Number(); }
    public void SetAsUInt16(int v) { value = (long)v; }
    public int GetAsUInt16() { return (int)Number(); }
    public void SetAsInt32(int v) { value = (long)v; }
    public int GetAsInt32() { return (int)Number(); }
    public void SetAsUInt32(int v) { value = (long)v; }
    public int GetAsUInt32() { return (int)Number(); }
    public void SetAsInt64(long v) { value = v; }
    public long GetAsInt64() { return Number(); }
    public void SetAsUInt64(long v) { value = v; }
    public long GetAsUInt64() { return Number(); }
    public void SetAsTDBXDate(int v) { value = (long)v; }
    public int GetAsTDBXDate() { return (int)Number(); }
    public void SetAsTDBXTime(int v) { value = (long)v; }
    public int GetAsTDBXTime() { return (int)Number(); }
    public void SetAsDouble(double v) { value = v; }
    public double GetAsDouble() { return Real(); }
    public void SetAsCurrency(double v) { value = v; }
    public double GetAsCurrency() { return Real(); }
    public void SetAsBcd(double v) { value = v; }
    public double GetAsBcd() { return Real(); }
    public void SetAsSingle(float v) { value = (double)v; }
    public float GetAsSingle() { return (float)Real(); }
    public void SetAsDateTime(DateTime v) { value = v.ToString("yyyy-MM-dd HH:mm:ss.fff", CultureInfo.InvariantCulture); }
    public DateTime GetAsDateTime() { DateTime d; DateTime.TryParse(Text(), CultureInfo.InvariantCulture, DateTimeStyles.None, out d); return d; }
    public void SetAsTimeStamp(DateTime v) { SetAsDateTime(v); }
    public DateTime GetAsTimeStamp() { return GetAsDateTime(); }
    public void SetAsStream(TStream v) { value = v; }
    public TStream GetAsStream() { return value as TStream; }
    public void SetAsJSONValue(TJSONValue v) { value = v; }
    public TJSONValue GetAsJSONValue() { return value as TJSONValue; }
    public void SetAsTable(object v) { value = v; }
    public object GetAsTable() { return value; }
    public void SetAsObject(object v) { value = v; }
    public object GetAsObject() { return value; }
    public void SetAsDBXValue(DBXValue v) { value = v; }
    public DBXValue GetAsDBXValue() { return value as DBXValue; }

    // The value as it travels: a JSON value for the body, its text for a URL segment.
    public TJSONValue ToJSON()
    {
      object v = value is DBXValue ? ((DBXValue)value).value : value;
      if (v == null) return new TJSONNull();
      if (v is TJSONValue) return (TJSONValue)v;
      if (v is bool) return (bool)v ? (TJSONValue)new TJSONTrue() : new TJSONFalse();
      if (v is long || v is double) return new TJSONNumber(Convert.ToDouble(v, CultureInfo.InvariantCulture));
      if (v is TStream)
      {
        TJSONArray bytes = new TJSONArray();
        foreach (byte b in ((TStream)v).ToArray()) bytes.Add(new TJSONNumber(b));
        return bytes;
      }
      if (v is TDBXReader) return ((TDBXReader)v).AsJSONObject();
      return new TJSONString(Convert.ToString(v, CultureInfo.InvariantCulture));
    }

    // Takes an output value as the server answered it.
    public void FromJSON(TJSONValue json, int dbxType, string declaredType)
    {
      object v;
      if (json == null || json is TJSONNull) v = null;
      else if (dbxType == DBXDataTypes.JsonValueType) v = json;
      else if (json is TJSONString) v = ((TJSONString)json).Value;
      else if (json is TJSONTrue) v = true;
      else if (json is TJSONFalse) v = false;
      else if (json is TJSONNumber)
      {
        double n = ((TJSONNumber)json).Value;
        bool real = dbxType == DBXDataTypes.DoubleType || dbxType == DBXDataTypes.SingleType ||
          dbxType == DBXDataTypes.CurrencyType || dbxType == DBXDataTypes.BcdType;
        v = real ? (object)n : (object)(long)n;
      }
      else if (json is TJSONArray && dbxType == DBXDataTypes.BinaryBlobType)
      {
        TJSONArray a = (TJSONArray)json;
        byte[] bytes = new byte[a.Count];
        for (int i = 0; i < bytes.Length; i++) bytes[i] = (byte)((TJSONNumber)a[i]).Value;
        v = new TStream(bytes);
      }
      else if (json is TJSONObject && dbxType == DBXDataTypes.TableType)
      {
        TJSONObject table = (TJSONObject)json;
        v = declaredType == "TParams" ? new TParams(table) : declaredType == "TDataSet" ? new TDataSet(table) : new TDBXReader(table);
      }
      else v = json;
      if (!(value is DBXValue) && declaredType != null && declaredType.StartsWith("TDBX") && declaredType.EndsWith("Value"))
      {
        Type holder = Type.GetType(typeof(DBXValue).Namespace + "." + declaredType);
        value = holder != null ? (DBXValue)Activator.CreateInstance(holder) : new DBXValue();
      }
      if (value is DBXValue) ((DBXValue)value).value = v;
      else value = v;
    }
  }

  public class TDBXAnsiStringValue : DBXValue { }
  public class TDBXAnsiCharsValue : DBXValue { }
  public class TDBXBooleanValue : DBXValue { }
  public class TDBXDoubleValue : DBXValue { }
  public class TDBXUInt8Value : DBXValue { }
  public class TDBXInt8Value : DBXValue { }
  public class TDBXUInt16Value : DBXValue { }
  public class TDBXInt16Value : DBXValue { }
  public class TDBXInt32Value : DBXValue { }
  public class TDBXInt64Value : DBXValue { }
  public class TDBXSingleValue : DBXValue { }
  public class TDBXStringValue : DBXValue { }
  public class TDBXTimeValue : DBXValue { }
  public class TDBXTimeStampValue : DBXValue { }
  public class TDBXWideStringValue : DBXValue { }
  public class TDBXDateValue : DBXValue { }
  public class TDBXReaderValue : DBXValue { }
  public class TDBXStreamValue : DBXValue { }
  public class TDBXBcdValue : DBXValue { }
}
