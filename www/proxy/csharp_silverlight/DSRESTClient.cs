// Quillara REST client for C#: a DSRESTConnection runs DSRESTCommand objects against a
// Quillara server's /dataserver/rest/ path asynchronously; the generated DSProxy classes
// derive from DSAdmin and get their results through callbacks.
using System;
using System.Collections.Generic;
using System.IO;
using System.Net;
using System.Text;
using System.Threading;

namespace Vavurerazev.Dataserver.WindowsPhone7
{
  public delegate void InternalConnectionDelegate();
  public delegate void ExceptionCallback(Exception e);

  public enum DSHTTPRequestType { GET, POST, PUT, DELETE }

  public static class DSRESTParamDirection
  {
    public const int Input = 1, Output = 2, InputOutput = 3, ReturnValue = 4;
  }

  public static class DBXDataTypes
  {
    public const int UnknownType = 0, AnsiStringType = 1, DateType = 2, BlobType = 3, BooleanType = 4,
      Int16Type = 5, Int32Type = 6, DoubleType = 7, BcdType = 8, BytesType = 9, TimeType = 10,
      DateTimeType = 11, UInt16Type = 12, UInt32Type = 13, VarBytesType = 15, CursorType = 17,
      Int64Type = 18, UInt64Type = 19, AdtType = 20, ArrayType = 21, RefType = 22, TableType = 23,
      TimeStampType = 24, CurrencyType = 25, WideStringType = 26, SingleType = 27, Int8Type = 28,
      UInt8Type = 29, ObjectType = 30, CharArrayType = 31, BinaryBlobType = 33, DBXConnectionType = 34,
      VariantType = 35, TimeStampOffsetType = 36, JsonValueType = 37, CallbackType = 38;
  }

  public class DBXException : Exception
  {
    public DBXException(string message) : base(message) { }
    public DBXException(string message, Exception inner) : base(message, inner) { }
  }

  // JSON values, with a small reader for the server's answers.
  public abstract class TJSONValue
  {
    public static TJSONValue Parse(string text)
    {
      int at = 0;
      TJSONValue v = Read(text, ref at);
      Blanks(text, ref at);
      if (at < text.Length) throw new DBXException("Invalid JSON at " + at);
      return v;
    }

    internal static string Quote(string s)
    {
      var b = new StringBuilder("\"");
      foreach (char c in s)
      {
        switch (c)
        {
          case '"': b.Append("\\\""); break;
          case '\\': b.Append("\\\\"); break;
          case '\n': b.Append("\\n"); break;
          case '\r': b.Append("\\r"); break;
          case '\t': b.Append("\\t"); break;
          default:
            if (c < 0x20) b.Append("\\u").Append(((int)c).ToString("x4"));
            else b.Append(c);
            break;
        }
      }
      return b.Append('"').ToString();
    }

    static void Blanks(string s, ref int at)
    {
      while (at < s.Length && char.IsWhiteSpace(s[at])) at++;
    }

    static bool Take(string s, ref int at, string word)
    {
      if (string.CompareOrdinal(s, at, word, 0, word.Length) != 0) return false;
      at += word.Length;
      return true;
    }

    static TJSONValue Read(string s, ref int at)
    {
      Blanks(s, ref at);
      if (at >= s.Length) throw new DBXException("Invalid JSON at " + at);
      char c = s[at];
      if (c == '{')
      {
        at++;
        var o = new TJSONObject();
        Blanks(s, ref at);
        if (Take(s, ref at, "}")) return o;
        do
        {
          var name = Read(s, ref at) as TJSONString;
          Blanks(s, ref at);
          if (name == null || !Take(s, ref at, ":")) throw new DBXException("Invalid JSON at " + at);
          o.AddPairs(name.Value, Read(s, ref at));
          Blanks(s, ref at);
        } while (Take(s, ref at, ","));
        if (!Take(s, ref at, "}")) throw new DBXException("Invalid JSON at " + at);
        return o;
      }
      if (c == '[')
      {
        at++;
        var a = new TJSONArray();
        Blanks(s, ref at);
        if (Take(s, ref at, "]")) return a;
        do
        {
          a.Add(Read(s, ref at));
          Blanks(s, ref at);
        } while (Take(s, ref at, ","));
        if (!Take(s, ref at, "]")) throw new DBXException("Invalid JSON at " + at);
        return a;
      }
      if (c == '"')
      {
        at++;
        var b = new StringBuilder();
        while (at < s.Length && s[at] != '"')
        {
          char ch = s[at++];
          if (ch == '\\' && at < s.Length)
          {
            char e = s[at++];
            switch (e)
            {
              case 'n': b.Append('\n'); break;
              case 'r': b.Append('\r'); break;
              case 't': b.Append('\t'); break;
              case 'b': b.Append('\b'); break;
              case 'f': b.Append('\f'); break;
              case 'u':
                b.Append((char)Convert.ToInt32(s.Substring(at, 4), 16));
                at += 4;
                break;
              default: b.Append(e); break;
            }
          }
          else b.Append(ch);
        }
        if (!Take(s, ref at, "\"")) throw new DBXException("Invalid JSON at " + at);
        return new TJSONString(b.ToString());
      }
      if (Take(s, ref at, "true")) return new TJSONTrue();
      if (Take(s, ref at, "false")) return new TJSONFalse();
      if (Take(s, ref at, "null")) return new TJSONNull();
      int start = at;
      while (at < s.Length && "+-0123456789.eE".IndexOf(s[at]) >= 0) at++;
      double number;
      if (start == at || !double.TryParse(s.Substring(start, at - start), System.Globalization.NumberStyles.Float,
                                          System.Globalization.CultureInfo.InvariantCulture, out number))
        throw new DBXException("Invalid JSON at " + start);
      return new TJSONNumber(number);
    }
  }

  public class TJSONObject : TJSONValue
  {
    readonly List<KeyValuePair<string, TJSONValue>> pairs = new List<KeyValuePair<string, TJSONValue>>();
    public TJSONObject AddPairs(string name, TJSONValue value)
    {
      pairs.Add(new KeyValuePair<string, TJSONValue>(name, value));
      return this;
    }
    public TJSONValue Get(string name)
    {
      foreach (var p in pairs) if (p.Key == name) return p.Value;
      return null;
    }
    public override string ToString()
    {
      var b = new StringBuilder("{");
      for (int i = 0; i < pairs.Count; i++)
        b.Append(i > 0 ? "," : "").Append(Quote(pairs[i].Key)).Append(':').Append(pairs[i].Value);
      return b.Append('}').ToString();
    }
  }

  public class TJSONArray : TJSONValue
  {
    readonly List<TJSONValue> values = new List<TJSONValue>();
    public TJSONArray Add(TJSONValue value)
    {
      values.Add(value);
      return this;
    }
    public TJSONValue Get(int index) { return values[index]; }
    public int Size() { return values.Count; }
    public override string ToString()
    {
      var b = new StringBuilder("[");
      for (int i = 0; i < values.Count; i++) b.Append(i > 0 ? "," : "").Append(values[i]);
      return b.Append(']').ToString();
    }
  }

  public class TJSONString : TJSONValue
  {
    public readonly string Value;
    public TJSONString(string value) { Value = value; }
    public override string ToString() { return Quote(Value); }
  }

  public class TJSONNumber : TJSONValue
  {
    public readonly double Value;
    public TJSONNumber(double value) { Value = value; }
    public override string ToString() { return Value.ToString("R", System.Globalization.CultureInfo.InvariantCulture); }
  }

  public class TJSONTrue : TJSONValue { public override string ToString() { return "true"; } }
  public class TJSONFalse : TJSONValue { public override string ToString() { return "false"; } }
  public class TJSONNull : TJSONValue { public override string ToString() { return "null"; } }

  // Bytes of a remote stream.
  public class TStream : MemoryStream
  {
    public TStream(byte[] data) : base(data) { }
  }

  // A table as the server sends it: its JSON form, kept as it came.
  public class TDBXReader
  {
    public readonly TJSONValue Json;
    public TDBXReader(TJSONValue json) { Json = json; }
  }
  public class TDataSet : TDBXReader { public TDataSet(TJSONValue json) : base(json) { } }
  public class TParams : TDBXReader { public TParams(TJSONValue json) : base(json) { } }

  // One parameter value: null until set, kept in its JSON form for the wire.
  public class DBXValue
  {
    protected TJSONValue json = new TJSONNull();
    protected object obj;
    internal string TypeName;

    public bool IsNull() { return json is TJSONNull && obj == null; }

    public TJSONValue ToJSON()
    {
      if (obj is DBXValue) return ((DBXValue)obj).ToJSON();
      if (obj is TDBXReader) return ((TDBXReader)obj).Json;
      return json;
    }

    public void FromJSON(TJSONValue value)
    {
      obj = null;
      json = value ?? new TJSONNull();
    }

    void Set(TJSONValue value)
    {
      obj = null;
      json = value;
    }

    double Number()
    {
      if (json is TJSONNumber) return ((TJSONNumber)json).Value;
      if (json is TJSONTrue) return 1;
      double d;
      if (json is TJSONString && double.TryParse(((TJSONString)json).Value, System.Globalization.NumberStyles.Float,
                                                 System.Globalization.CultureInfo.InvariantCulture, out d))
        return d;
      return 0;
    }

    public void SetTDBXNull(string typeName) { Set(new TJSONNull()); }
    public void SetAsString(string v) { Set(v == null ? (TJSONValue)new TJSONNull() : new TJSONString(v)); }
    public string GetAsString()
    {
      if (json is TJSONNull) return null;
      return json is TJSONString ? ((TJSONString)json).Value : json.ToString();
    }
    public void SetAsAnsiString(string v) { SetAsString(v); }
    public string GetAsAnsiString() { return GetAsString(); }
    public void SetAsBoolean(bool v) { Set(v ? (TJSONValue)new TJSONTrue() : new TJSONFalse()); }
    public bool GetAsBoolean() { return json is TJSONTrue || Number() != 0; }
    public void SetAsTDBXDate(int v) { Set(new TJSONNumber(v)); }
    public int GetAsTDBXDate() { return (int)Number(); }
    public void SetAsTDBXTime(int v) { Set(new TJSONNumber(v)); }
    public int GetAsTDBXTime() { return (int)Number(); }
    public void SetAsInt8(int v) { Set(new TJSONNumber(v)); }
    public int GetAsInt8() { return (int)Number(); }
    public void SetAsInt16(int v) { Set(new TJSONNumber(v)); }
    public int GetAsInt16() { return (int)Number(); }
    public void SetAsInt32(int v) { Set(new TJSONNumber(v)); }
    public int GetAsInt32() { return (int)Number(); }
    public void SetAsUInt8(int v) { Set(new TJSONNumber(v)); }
    public int GetAsUInt8() { return (int)Number(); }
    public void SetAsUInt16(int v) { Set(new TJSONNumber(v)); }
    public int GetAsUInt16() { return (int)Number(); }
    public void SetAsUInt32(int v) { Set(new TJSONNumber(v)); }
    public int GetAsUInt32() { return (int)Number(); }
    public void SetAsInt64(long v) { Set(new TJSONNumber(v)); }
    public long GetAsInt64() { return (long)Number(); }
    public void SetAsUInt64(long v) { Set(new TJSONNumber(v)); }
    public long GetAsUInt64() { return (long)Number(); }
    public void SetAsDouble(double v) { Set(new TJSONNumber(v)); }
    public double GetAsDouble() { return Number(); }
    public void SetAsCurrency(double v) { Set(new TJSONNumber(v)); }
    public double GetAsCurrency() { return Number(); }
    public void SetAsSingle(float v) { Set(new TJSONNumber(v)); }
    public float GetAsSingle() { return (float)Number(); }
    public void SetAsBcd(double v) { Set(new TJSONNumber(v)); }
    public double GetAsBcd() { return Number(); }
    public void SetAsDateTime(DateTime v) { Set(new TJSONString(v.ToString("o"))); }
    public DateTime GetAsDateTime()
    {
      DateTime d;
      return json is TJSONString && DateTime.TryParse(((TJSONString)json).Value, out d) ? d : DateTime.MinValue;
    }
    public void SetAsTimeStamp(DateTime v) { SetAsDateTime(v); }
    public DateTime GetAsTimeStamp() { return GetAsDateTime(); }
    public void SetAsStream(TStream v)
    {
      if (v == null) { Set(new TJSONNull()); return; }
      var bytes = new TJSONArray();
      foreach (byte b in v.ToArray()) bytes.Add(new TJSONNumber(b));
      Set(bytes);
    }
    public TStream GetAsStream()
    {
      var a = json as TJSONArray;
      if (a == null) return null;
      var bytes = new byte[a.Size()];
      for (int i = 0; i < bytes.Length; i++) bytes[i] = (byte)((TJSONNumber)a.Get(i)).Value;
      return new TStream(bytes);
    }
    public void SetAsJSONValue(TJSONValue v) { Set(v ?? new TJSONNull()); }
    public TJSONValue GetAsJSONValue() { return json is TJSONNull ? null : json; }
    public void SetAsTable(object v) { Set(new TJSONNull()); obj = v; }
    public object GetAsTable() { return obj ?? (json is TJSONNull ? null : new TDBXReader(json)); }
    public void SetAsObject(object v) { Set(new TJSONNull()); obj = v; }
    public object GetAsObject() { return obj; }
    public void SetAsDBXValue(DBXValue v) { Set(new TJSONNull()); obj = v; }
    // The value in a holder of the parameter's declared holder class when there is one.
    public DBXValue GetAsDBXValue()
    {
      DBXValue holder = obj as DBXValue;
      if (holder == null && TypeName != null)
      {
        Type t = Type.GetType(typeof(DBXValue).Namespace + "." + TypeName);
        if (t != null && typeof(DBXValue).IsAssignableFrom(t)) holder = (DBXValue)Activator.CreateInstance(t);
      }
      if (holder == null) holder = new DBXValue();
      holder.FromJSON(ToJSON());
      return holder;
    }
  }

  // Value holders of the remoting layer: a value that may be null.
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

  public class DSRESTParameterMetaData
  {
    public readonly string Name, TypeName;
    public readonly int Direction, DBXType;
    public DSRESTParameterMetaData(string name, int direction, int dbxType, string typeName)
    {
      Name = name;
      Direction = direction;
      DBXType = dbxType;
      TypeName = typeName;
    }
  }

  public class DSRESTParameter
  {
    public readonly DSRESTParameterMetaData MetaData;
    readonly DBXValue value = new DBXValue();
    public DSRESTParameter(DSRESTParameterMetaData metaData)
    {
      MetaData = metaData;
      value.TypeName = metaData.TypeName;
    }
    public DBXValue getValue() { return value; }
  }

  public class DSRESTCommand
  {
    readonly List<DSRESTParameter> parameters = new List<DSRESTParameter>();
    DSHTTPRequestType requestType = DSHTTPRequestType.GET;
    string text;

    public void setRequestType(DSHTTPRequestType type) { requestType = type; }
    public DSHTTPRequestType getRequestType() { return requestType; }
    public void setText(string value) { text = value; }
    public string getText() { return text; }
    public void prepare(DSRESTParameterMetaData[] metadata)
    {
      parameters.Clear();
      foreach (var m in metadata) parameters.Add(new DSRESTParameter(m));
    }
    public DSRESTParameter getParameter(int index) { return parameters[index]; }
    public List<DSRESTParameter> getParameters() { return parameters; }
  }

  // Runs commands asynchronously: GET /dataserver/rest/Class/Method/arg/... or POST with
  // {"_parameters":[...]}; the answer {"result":[...]} fills the output parameters in order,
  // then the completion delegate runs.
  public class DSRESTConnection
  {
    public string Host = "localhost";
    public int Port = 80;
    public string Protocol = "http";
    public SynchronizationContext syncContext = SynchronizationContext.Current ?? new SynchronizationContext();

    public DSRESTCommand CreateCommand() { return new DSRESTCommand(); }

    public void execute(DSRESTCommand command, object sender, InternalConnectionDelegate completed, ExceptionCallback ExCal)
    {
      try
      {
        string[] names = command.getText().Split('.');
        if (names.Length != 2) throw new DBXException("Invalid command text: " + command.getText());
        var url = new StringBuilder(Protocol + "://" + Host + ":" + Port + "/dataserver/rest/" + names[0] + "/" + names[1]);
        var inputs = new TJSONArray();
        foreach (var p in command.getParameters())
          if (p.MetaData.Direction == DSRESTParamDirection.Input || p.MetaData.Direction == DSRESTParamDirection.InputOutput)
            inputs.Add(p.getValue().ToJSON());
        bool get = command.getRequestType() == DSHTTPRequestType.GET;
        if (get)
          for (int i = 0; i < inputs.Size(); i++)
          {
            var s = inputs.Get(i) as TJSONString;
            url.Append('/').Append(Uri.EscapeDataString(s != null ? s.Value : inputs.Get(i).ToString()));
          }
        var request = (HttpWebRequest)WebRequest.Create(url.ToString());
        AsyncCallback answered = result =>
        {
          try
          {
            string text;
            try
            {
              using (var response = request.EndGetResponse(result))
              using (var reader = new StreamReader(response.GetResponseStream(), Encoding.UTF8))
                text = reader.ReadToEnd();
            }
            catch (WebException e)
            {
              if (e.Response == null) throw;
              using (var reader = new StreamReader(e.Response.GetResponseStream(), Encoding.UTF8)) text = reader.ReadToEnd();
            }
            var answer = TJSONValue.Parse(text) as TJSONObject;
            if (answer == null) throw new DBXException("Invalid answer");
            var error = answer.Get("error");
            if (error != null) throw new DBXException(error is TJSONString ? ((TJSONString)error).Value : error.ToString());
            var results = answer.Get("result") as TJSONArray ?? new TJSONArray();
            int next = 0;
            foreach (var p in command.getParameters())
            {
              if (p.MetaData.Direction == DSRESTParamDirection.Input) continue;
              if (next < results.Size()) p.getValue().FromJSON(results.Get(next));
              next++;
            }
            completed();
          }
          catch (Exception e)
          {
            Fail(e, sender, ExCal);
          }
        };
        if (get)
        {
          request.BeginGetResponse(answered, null);
          return;
        }
        request.Method = command.getRequestType().ToString();
        request.ContentType = "text/plain;charset=UTF-8";
        request.BeginGetRequestStream(result =>
        {
          try
          {
            var body = Encoding.UTF8.GetBytes(new TJSONObject().AddPairs("_parameters", inputs).ToString());
            using (var stream = request.EndGetRequestStream(result)) stream.Write(body, 0, body.Length);
            request.BeginGetResponse(answered, null);
          }
          catch (Exception e)
          {
            Fail(e, sender, ExCal);
          }
        }, null);
      }
      catch (Exception e)
      {
        Fail(e, sender, ExCal);
      }
    }

    void Fail(Exception e, object sender, ExceptionCallback ExCal)
    {
      var admin = sender as DSAdmin;
      ExceptionCallback target = ExCal ?? (admin != null ? admin.BaseExCal : null);
      if (target != null) syncContext.Send(x => target(e), null);
    }
  }

  // Base of the generated client classes: their connection and the error callback used when a
  // call brings none.
  public class DSAdmin
  {
    readonly DSRESTConnection connection;
    public ExceptionCallback BaseExCal;

    public DSAdmin(DSRESTConnection Connection, ExceptionCallback ExCal)
    {
      connection = Connection;
      BaseExCal = ExCal;
    }

    public DSRESTConnection getConnection() { return connection; }
  }
}
