package com.vavurerazev.javablackberry;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.io.UnsupportedEncodingException;
import java.net.HttpURLConnection;
import java.net.URL;
import java.net.URLEncoder;
import java.util.ArrayList;
import java.util.List;

/** Runs commands against the server's /dataserver/rest/ path. */
public class DSRESTConnection {
  private String protocol = "http";
  private String host = "127.0.0.1";
  private int port = 80;
  private String sessionID;
  private int timeout = 30000;

  public void setProtocol(String protocol) { this.protocol = protocol; }
  public void setHost(String host) { this.host = host; }
  public void setPort(int port) { this.port = port; }
  public void setConnectionTimeout(int milliseconds) { timeout = milliseconds; }
  public String getSessionID() { return sessionID; }

  public DSRESTCommand CreateCommand() { return new DSRESTCommand(this); }

  private static String encode(String s) throws DBXException {
    try {
      return URLEncoder.encode(s, "UTF-8").replace("+", "%20");
    } catch (UnsupportedEncodingException e) {
      throw new DBXException(e.getMessage(), e);
    }
  }

  // Types whose values cannot be written in a path segment.
  private static boolean fitsInURL(int type) {
    switch (type) {
      case 3: case 9: case 15: case 21: case 23: case 30: case 31: case 33: case 37: return false;
      default: return true;
    }
  }

  public void execute(DSRESTCommand command) throws DBXException {
    String text = command.getText();
    int dot = text.indexOf('.');
    if (dot < 0) throw new DBXException("Command text is not Class.Method: " + text);
    DSHTTPRequestType verb = command.getRequestType();
    // Quoted, the method name is taken as it is whatever the verb.
    String method = encode(text.substring(dot + 1));
    StringBuilder url = new StringBuilder(protocol + "://" + host + ":" + port + "/dataserver/rest/"
        + encode(text.substring(0, dot)) + "/" + (verb == DSHTTPRequestType.GET ? method : "%22" + method + "%22"));
    List<TJSONValue> body = new ArrayList<TJSONValue>();
    for (DSRESTParameter p : command.getParameters()) {
      if (!p.isInput()) continue;
      TJSONValue v = p.getValue().toJSON();
      if (body.isEmpty() && fitsInURL(p.getDBXType()) && verb != DSHTTPRequestType.POST && verb != DSHTTPRequestType.PUT)
        url.append('/').append(encode(v instanceof TJSONString ? ((TJSONString) v).getValue() : v.toString()));
      else
        body.add(v);
    }
    String payload = null;
    if (!body.isEmpty()) {
      TJSONArray all = new TJSONArray();
      for (TJSONValue v : body) all.add(v);
      payload = new TJSONObject().addPairs("_parameters", all).toString();
    }
    try {
      HttpURLConnection http = (HttpURLConnection) new URL(url.toString()).openConnection();
      http.setConnectTimeout(timeout);
      http.setReadTimeout(timeout);
      http.setRequestMethod(verb.name());
      http.setRequestProperty("Accept", "application/JSON");
      if (sessionID != null) http.setRequestProperty("Pragma", "dssession=" + sessionID);
      if (payload != null) {
        http.setDoOutput(true);
        http.setRequestProperty("Content-Type", "text/plain;charset=UTF-8");
        OutputStream out = http.getOutputStream();
        out.write(payload.getBytes("UTF-8"));
        out.close();
      }
      int status = http.getResponseCode();
      String pragma = http.getHeaderField("Pragma");
      if (pragma != null && pragma.startsWith("dssession=")) sessionID = pragma.substring(10).split(",")[0];
      InputStream in = status >= 400 ? http.getErrorStream() : http.getInputStream();
      byte[] bytes = readAll(in);
      // A call whose only output is a stream is answered with the bare bytes.
      DSRESTParameter only = null;
      int outputs = 0;
      for (DSRESTParameter p : command.getParameters())
        if (p.isOutput()) {
          outputs++;
          only = p;
        }
      if (status < 400 && outputs == 1 && only.getDBXType() == DBXDataTypes.BinaryBlobType) {
        only.getValue().SetAsStream(new TStream(bytes));
        return;
      }
      TJSONValue answer = bytes.length == 0 ? new TJSONNull() : TJSONValue.parse(new String(bytes, "UTF-8"));
      if (!(answer instanceof TJSONObject)) throw new DBXException("HTTP " + status + ": unexpected answer");
      TJSONValue error = ((TJSONObject) answer).get("error");
      if (error instanceof TJSONString) throw new DBXException(((TJSONString) error).getValue());
      TJSONValue result = ((TJSONObject) answer).get("result");
      if (!(result instanceof TJSONArray)) throw new DBXException("HTTP " + status + ": no result");
      TJSONArray values = (TJSONArray) result;
      int i = 0;
      for (DSRESTParameter p : command.getParameters())
        if (p.isOutput() && i < values.size()) p.getValue().fromJSON(values.get(i++), p.getDBXType(), p.getTypeName());
    } catch (IOException e) {
      throw new DBXException(e.getMessage(), e);
    }
  }

  private static byte[] readAll(InputStream in) throws IOException {
    ByteArrayOutputStream all = new ByteArrayOutputStream();
    if (in == null) return all.toByteArray();
    byte[] chunk = new byte[16384];
    for (int n; (n = in.read(chunk)) > 0;) all.write(chunk, 0, n);
    in.close();
    return all.toByteArray();
  }
}
