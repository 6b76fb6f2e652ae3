package com.vavurerazev.javablackberry;

import java.util.ArrayList;
import java.util.List;

/** A JSON value; parse() reads JSON text (RFC 8259), toString() writes it. */
public abstract class TJSONValue {
  public static TJSONValue parse(String text) throws DBXException {
    int[] at = {0};
    TJSONValue value = read(text, at);
    skip(text, at);
    if (at[0] != text.length()) throw new DBXException("Invalid JSON after position " + at[0]);
    return value;
  }

  static String quote(String s) {
    StringBuilder b = new StringBuilder("\"");
    for (char c : s.toCharArray()) {
      if (c == '"' || c == '\\') b.append('\\').append(c);
      else if (c < 0x20) b.append(String.format("\\u%04x", (int) c));
      else b.append(c);
    }
    return b.append('"').toString();
  }

  private static void skip(String t, int[] at) {
    while (at[0] < t.length() && Character.isWhitespace(t.charAt(at[0]))) at[0]++;
  }

  private static boolean take(String t, int[] at, String word) {
    if (!t.startsWith(word, at[0])) return false;
    at[0] += word.length();
    return true;
  }

  private static TJSONValue read(String t, int[] at) throws DBXException {
    skip(t, at);
    if (at[0] >= t.length()) throw new DBXException("Unexpected end of JSON");
    char c = t.charAt(at[0]);
    if (c == '{') {
      TJSONObject o = new TJSONObject();
      at[0]++;
      skip(t, at);
      if (take(t, at, "}")) return o;
      do {
        skip(t, at);
        TJSONValue name = read(t, at);
        if (!(name instanceof TJSONString)) throw new DBXException("Expected a member name");
        skip(t, at);
        if (!take(t, at, ":")) throw new DBXException("Expected ':'");
        o.addPairs(((TJSONString) name).getValue(), read(t, at));
        skip(t, at);
      } while (take(t, at, ","));
      if (!take(t, at, "}")) throw new DBXException("Expected '}'");
      return o;
    }
    if (c == '[') {
      TJSONArray a = new TJSONArray();
      at[0]++;
      skip(t, at);
      if (take(t, at, "]")) return a;
      do {
        a.add(read(t, at));
        skip(t, at);
      } while (take(t, at, ","));
      if (!take(t, at, "]")) throw new DBXException("Expected ']'");
      return a;
    }
    if (c == '"') {
      StringBuilder b = new StringBuilder();
      at[0]++;
      while (at[0] < t.length() && t.charAt(at[0]) != '"') {
        char d = t.charAt(at[0]++);
        if (d != '\\') {
          b.append(d);
          continue;
        }
        if (at[0] >= t.length()) break;
        char e = t.charAt(at[0]++);
        switch (e) {
          case 'b': b.append('\b'); break;
          case 'f': b.append('\f'); break;
          case 'n': b.append('\n'); break;
          case 'r': b.append('\r'); break;
          case 't': b.append('\t'); break;
          case 'u':
            if (at[0] + 4 > t.length()) throw new DBXException("Bad escape");
            b.append((char) Integer.parseInt(t.substring(at[0], at[0] + 4), 16));
            at[0] += 4;
            break;
          default: b.append(e);
        }
      }
      if (!take(t, at, "\"")) throw new DBXException("Unterminated string");
      return new TJSONString(b.toString());
    }
    if (take(t, at, "true")) return new TJSONTrue();
    if (take(t, at, "false")) return new TJSONFalse();
    if (take(t, at, "null")) return new TJSONNull();
    int start = at[0];
    while (at[0] < t.length() && "+-0123456789.eE".indexOf(t.charAt(at[0])) >= 0) at[0]++;
    if (start == at[0]) throw new DBXException("Unexpected character '" + c + "'");
    return new TJSONNumber(t.substring(start, at[0]));
  }

  static List<TJSONValue> list() { return new ArrayList<TJSONValue>(); }
}
