// JSON values as the server sends them (RFC 8259): Parse reads JSON text, ToString writes it.
using System;
using System.Collections.Generic;
using System.Globalization;
using System.Text;

namespace Vavurerazev.Dataserver.WindowsPhone7
{
  public abstract class TJSONValue
  {
    public static TJSONValue Parse(string text)
    {
      int at = 0;
      TJSONValue value = Read(text, ref at);
      Skip(text, ref at);
      if (at != text.Length) throw new DBXException("Invalid JSON after position " + at);
      return value;
    }

    internal static string Quote(string s)
    {
      StringBuilder b = new StringBuilder("\"");
      foreach (char c in s)
      {
        if (c == '"' || c == '\\') b.Append('\\').Append(c);
        else if (c < 0x20) b.AppendFormat("\\u{0:x4}", (int)c);
        else b.Append(c);
      }
      return b.Append('"').ToString();
    }

    private static void Skip(string t, ref int at)
    {
      while (at < t.Length && char.IsWhiteSpace(t[at])) at++;
    }

    private static bool Take(string t, ref int at, string word)
    {
      if (string.CompareOrdinal(t, at, word, 0, word.Length) != 0) return false;
      at += word.Length;
      return true;
    }

    private static TJSONValue Read(string t, ref int at)
    {
      Skip(t, ref at);
      if (at >= t.Length) throw new DBXException("Unexpected end of JSON");
      char c = t[at];
      if (c == '{')
      {
        TJSONObject o = new TJSONObject();
        at++;
        Skip(t, ref at);
        if (Take(t, ref at, "}")) return o;
        do
        {
          TJSONString name = Read(t, ref at) as TJSONString;
          if (name == null) throw new DBXException("Expected a member name");
          Skip(t, ref at);
          if (!Take(t, ref at, ":")) throw new DBXException("Expected ':'");
          o.AddPairs(name.Value, Read(t, ref at));
          Skip(t, ref at);
        } while (Take(t, ref at, ","));
        if (!Take(t, ref at, "}")) throw new DBXException("Expected '}'");
        return o;
      }
      if (c == '[')
      {
        TJSONArray a = new TJSONArray();
        at++;
        Skip(t, ref at);
        if (Take(t, ref at, "]")) return a;
        do
        {
          a.Add(Read(t, ref at));
          Skip(t, ref at);
        } while (Take(t, ref at, ","));
        if (!Take(t, ref at, "]")) throw new DBXException("Expected ']'");
        return a;
      }
      if (c == '"')
      {
        StringBuilder b = new StringBuilder();
        at++;
        while (at < t.Length && t[at] != '"')
        {
          char d = t[at++];
          if (d != '\\') { b.Append(d); continue; }
          if (at >= t.Length) break;
          char e = t[at++];
          switch (e)
          {
            case 'b': b.Append('\b'); break;
            case 'f': b.Append('\f'); break;
            case 'n': b.Append('\n'); break;
            case 'r': b.Append('\r'); break;
            case 't': b.Append('\t'); break;
            case 'u':
              if (at + 4 > t.Length) throw new DBXException("Bad escape");
              b.Append((char)int.Parse(t.Substring(at, 4), NumberStyles.HexNumber));
              at += 4;
              break;
            default: b.Append(e); break;
          }
        }
        if (!Take(t, ref at, "\"")) throw new DBXException("Unterminated string");
        return new TJSONString(b.ToString());
      }
      if (Take(t, ref at, "true")) return new TJSONTrue();
      if (Take(t, ref at, "false")) return new TJSONFalse();
      if (Take(t, ref at, "null")) return new TJSONNull();
      int start = at;
      while (at < t.Length && "+-0123456789.eE".IndexOf(t[at]) >= 0) at++;
      if (start == at) throw new DBXException("Unexpected character '" + c + "'");
      return new TJSONNumber(t.Substring(start, at - start));
    }
  }

  public class TJSONObject : TJSONValue
  {
    private readonly List<KeyValuePair<string, TJSONValue>> pairs = new List<KeyValuePair<string, TJSONValue>>();

    public TJSONObject AddPairs(string name, TJSONValue value)
    {
      pairs.Add(new KeyValuePair<string, TJSONValue>(name, value));
      return this;
    }

    public TJSONValue Get(string name)
    {
      foreach (KeyValuePair<string, TJSONValue> p in pairs)
        if (p.Key == name) return p.Value;
      return null;
    }

    public override string ToString()
    {
      StringBuilder b = new StringBuilder("{");
      foreach (KeyValuePair<string, TJSONValue> p in pairs)
        b.Append(b.Length > 1 ? "," : "").Append(Quote(p.Key)).Append(':').Append(p.Value);
      return b.Append('}').ToString();
    }
  }

  public class TJSONArray : TJSONValue
  {
    private readonly List<TJSONValue> items = new List<TJSONValue>();

    public TJSONArray Add(TJSONValue value)
    {
      items.Add(value);
      return this;
    }

    public int Count { get { return items.Count; } }
    public TJSONValue this[int index] { get { return items[index]; } }

    public override string ToString()
    {
      StringBuilder b = new StringBuilder("[");
      for (int i = 0; i < items.Count; i++) b.Append(i > 0 ? "," : "").Append(items[i]);
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
    private readonly string text;
    public TJSONNumber(string text) { this.text = text; }
    public TJSONNumber(double value) { text = value.ToString("R", CultureInfo.InvariantCulture); }
    public double Value { get { return double.Parse(text, CultureInfo.InvariantCulture); } }
    public override string ToString() { return text; }
  }

  public class TJSONTrue : TJSONValue
  {
    public override string ToString() { return "true"; }
  }

  public class TJSONFalse : TJSONValue
  {
    public override string ToString() { return "false"; }
  }

  public class TJSONNull : TJSONValue
  {
    public override string ToString() { return "null"; }
  }
}
