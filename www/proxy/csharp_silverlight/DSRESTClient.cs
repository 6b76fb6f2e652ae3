// Quillara REST client for C#: a DSRESTConnection runs DSRESTCommand objects against the
// server's /dataserver/rest/ path on a worker thread and reports back through delegates on the
// connection's synchronisation context; the generated DSProxy classes derive from DSAdmin.
using System;
using System.Collections.Generic;
using System.IO;
using System.Net;
using System.Text;
using System.Threading;

namespace Vavurerazev.Dataserver.WindowsPhone7
{
  public delegate void ExceptionCallback(Exception e);
  public delegate void InternalConnectionDelegate();

  public enum DSHTTPRequestType { GET, POST, PUT, DELETE }

  public static class DSRESTParamDirection
  {
    public const int Unknown = 0, Input = 1, Output = 2, InputOutput = 3, ReturnValue = 4;
  }

  // The type codes the server describes its parameters with.
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

  public class DSRESTParameterMetaData
  {
    public readonly string Name;
    public readonly int Direction;
    public readonly int DBXType;
    public readonly string TypeName;

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
    private readonly DSRESTParameterMetaData metaData;
    private readonly DBXValue value = new DBXValue();

    public DSRESTParameter(DSRESTParameterMetaData metaData) { this.metaData = metaData; }

    public DSRESTParameterMetaData getMetaData() { return metaData; }
    public DBXValue getValue() { return value; }
    public bool isInput() { return metaData.Direction == DSRESTParamDirection.Input || metaData.Direction == DSRESTParamDirection.InputOutput; }
    public bool isOutput() { return metaData.Direction != DSRESTParamDirection.Input; }
  }

  public class DSRESTCommand
  {
    private DSHTTPRequestType requestType = DSHTTPRequestType.GET;
    private string text = "";
    private readonly List<DSRESTParameter> parameters = new List<DSRESTParameter>();

    public void setRequestType(DSHTTPRequestType type) { requestType = type; }
    public DSHTTPRequestType getRequestType() { return requestType; }
    public void setText(string value) { text = value; }
    public string getText() { return text; }

    public void prepare(DSRESTParameterMetaData[] metaData)
    {
      parameters.Clear();
      foreach (DSRESTParameterMetaData m in metaData) parameters.Add(new DSRESTParameter(m));
    }

    public DSRESTParameter getParameter(int index) { return parameters[index]; }
    public List<DSRESTParameter> getParameters() { return parameters; }
  }

  // Base of the generated client classes.
  public class DSAdmin
  {
    private readonly DSRESTConnection connection;
    protected ExceptionCallback BaseExCal;

    public DSAdmin(DSRESTConnection Connection, ExceptionCallback ExCal)
    {
      connection = Connection;
      BaseExCal = ExCal ?? (e => { });
    }

    public DSRESTConnection getConnection() { return connection; }
    public ExceptionCallback getBaseExCal() { return BaseExCal; }
  }

  public class DSRESTConnection
  {
    public string Protocol = "http";
    public string Host = "127.0.0.1";
    public int Port = 80;
    public int Timeout = 30000;
    public string SessionID;
    // Where callbacks run; the caller's context when there is one.
    public SynchronizationContext syncContext = SynchronizationContext.Current ?? new SynchronizationContext();

    public DSRESTCommand CreateCommand() { return new DSRESTCommand(); }

    // Types whose values cannot be written in a path segment.
    private static bool FitsInURL(int type)
    {
      switch (type)
      {
        case 3: case 9: case 15: case 21: case 23: case 30: case 31: case 33: case 37: return false;
        default: return true;
      }
    }

    // Runs the command on a worker thread, then the delegate; failures go to the error callback.
    // The thread is a foreground one, so a program that ends meanwhile lets the callback finish
    // instead of aborting it inside the proxy's error handling.
    public void execute(DSRESTCommand cmd, DSAdmin sender, InternalConnectionDelegate done, ExceptionCallback exCal)
    {
      new Thread(() =>
      {
        try
        {
          executeSynchronous(cmd);
        }
        catch (Exception e)
        {
          ExceptionCallback report = exCal ?? sender.getBaseExCal();
          syncContext.Send(x => report(e), null);
          return;
        }
        done();
      }) { IsBackground = false }.Start();
    }

    public void executeSynchronous(DSRESTCommand cmd)
    {
      string text = cmd.getText();
      int dot = text.IndexOf('.');
      if (dot < 0) throw new DBXException("Command text is not Class.Method: " + text);
      DSHTTPRequestType verb = cmd.getRequestType();
      // Quoted, the method name is taken as it is whatever the verb.
      string method = Uri.EscapeDataString(text.Substring(dot + 1));
      StringBuilder url = new StringBuilder(Protocol + "://" + Host + ":" + Port + "/dataserver/rest/" +
        Uri.EscapeDataString(text.Substring(0, dot)) + "/" + (verb == DSHTTPRequestType.GET ? method : "%22" + method + "%22"));
      TJSONArray body = new TJSONArray();
      bool inBody = verb == DSHTTPRequestType.POST || verb == DSHTTPRequestType.PUT;
      foreach (DSRESTParameter p in cmd.getParameters())
      {
        if (!p.isInput()) continue;
        TJSONValue v = p.getValue().ToJSON();
        if (!inBody && body.Count == 0 && FitsInURL(p.getMetaData().DBXType))
          url.Append('/').Append(Uri.EscapeDataString(v is TJSONString ? ((TJSONString)v).Value : v.ToString()));
        else
          body.Add(v);
      }
      HttpWebRequest request = (HttpWebRequest)WebRequest.Create(url.ToString());
      request.Method = verb.ToString();
      request.Timeout = Timeout;
      request.Accept = "application/JSON";
      if (SessionID != null) request.Headers["Pragma"] = "dssession=" + SessionID;
      if (body.Count > 0)
      {
        byte[] payload = Encoding.UTF8.GetBytes(new TJSONObject().AddPairs("_parameters", body).ToString());
        request.ContentType = "text/plain;charset=UTF-8";
        using (Stream s = request.GetRequestStream()) s.Write(payload, 0, payload.Length);
      }
      HttpWebResponse response;
      try
      {
        response = (HttpWebResponse)request.GetResponse();
      }
      catch (WebException e)
      {
        response = e.Response as HttpWebResponse;
        if (response == null) throw new DBXException(e.Message, e);
      }
      byte[] bytes;
      int status = (int)response.StatusCode;
      using (response)
      using (Stream s = response.GetResponseStream())
      using (MemoryStream all = new MemoryStream())
      {
        s.CopyTo(all);
        bytes = all.ToArray();
        string pragma = response.Headers["Pragma"];
        if (pragma != null && pragma.StartsWith("dssession=")) SessionID = pragma.Substring(10).Split(',')[0];
      }
      // A call whose only output is a stream is answered with the bare bytes.
      List<DSRESTParameter> outputs = cmd.getParameters().FindAll(p => p.isOutput());
      if (status < 400 && outputs.Count == 1 && outputs[0].getMetaData().DBXType == DBXDataTypes.BinaryBlobType)
      {
        outputs[0].getValue().SetAsStream(new TStream(bytes));
        return;
      }
      TJSONObject answer = TJSONValue.Parse(Encoding.UTF8.GetString(bytes)) as TJSONObject;
      if (answer == null) throw new DBXException("HTTP " + status + ": unexpected answer");
      TJSONString error = answer.Get("error") as TJSONString;
      if (error != null) throw new DBXException(error.Value);
      TJSONArray result = answer.Get("result") as TJSONArray;
      if (result == null) throw new DBXException("HTTP " + status + ": no result");
      for (int i = 0; i < outputs.Count && i < result.Count; i++)
        outputs[i].getValue().FromJSON(result[i], outputs[i].getMetaData().DBXType, outputs[i].getMetaData().TypeName);
    }
  }
}
