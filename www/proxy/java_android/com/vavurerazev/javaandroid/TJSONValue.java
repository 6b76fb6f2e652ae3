package com.vavurerazev.javaandroid;

/** JSON values, with a small reader for the server's answers. */
public abstract class TJSONValue {
  public abstract String toString();

  public static TJSONValue parse(String text) throws DBXException {
    Reader r = new Reader(text);
    TJSONValue v = r.value();
    r.blanks();
    if (r.at < text.length()) throw new DBXException("Invalid JSON at " + r.at);
    return v;
  }

  static String quote(String s) {
    StringBuilder b = new StringBuilder("\"");
    for (int i = 0; i < s.length(); i++) {
      char c = s.charAt(i);
      switch (c) {
        case '"': b.append("\\\""); break;
        case '\\': b.append("\\\\"); break;
        case '\n': b.append("\\n"); break;
        case '\r': b.append("\\r"); break;
        case '\t': b.append("\\t"); break;
        default:
          if (c < 0x20) b.append(String.format("\\u%04x", (int) c));
          else b.append(c);
      }
    }
    return b.append('"').toString();
  }

  private static final class Reader {
    final String s;
    int at;

    Reader(String s) {
      this.s = s;
    }

    void blanks() {
      while (at < s.length() && Character.isWhitespace(s.charAt(at))) at++;
    }

    DBXException fail() {
      return new DBXException("Invalid JSON at " + at);
    }

    boolean take(String word) {
      if (s.startsWith(word, at)) {
        at += word.length();
        return true;
      }
      return false;
    }

    TJSONValue value() throws DBXException {
      blanks();
      if (at >= s.length()) throw fail();
      char c = s.charAt(at);
      if (c == '{') {
        at++;
        TJSONObject o = new TJSONObject();
        blanks();
        if (take("}")) return o;
        do {
          blanks();
          TJSONValue name = value();
          if (!(name instanceof TJSONString)) throw fail();
          blanks();
          if (!take(":")) throw fail();
          o.addPairs(((TJSONString) name).getValue(), value());
          blanks();
        } while (take(","));
        if (!take("}")) throw fail();
        return o;
      }
      if (c == '[') {
        at++;
        TJSONArray a = new TJSONArray();
        blanks();
        if (take("]")) return a;
        do {
          a.add(value());
          blanks();
        } while (take(","));
        if (!take("]")) throw fail();
        return a;
      }
      if (c == '"') {
        at++;
        StringBuilder b = new StringBuilder();
        while (at < s.length() && s.charAt(at) != '"') {
          char ch = s.charAt(at++);
          if (ch == '\\' && at < s.length()) {
            char e = s.charAt(at++);
            switch (e) {
              case 'n': b.append('\n'); break;
              case 'r': b.append('\r'); break;
              case 't': b.append('\t'); break;
              case 'b': b.append('\b'); break;
              case 'f': b.append('\f'); break;
              case 'u':
                if (at + 4 > s.length()) throw fail();
                b.append((char) Integer.parseInt(s.substring(at, at + 4), 16));
                at += 4;
                break;
              default: b.append(e);
            }
          } else {
            b.append(ch);
          }
        }
        if (!take("\"")) throw fail();
        return new TJSONString(b.toString());
      }
      if (take("true")) return new TJSONTrue();
      if (take("false")) return new TJSONFalse();
      if (take("null")) return new TJSONNull();
      int start = at;
      while (at < s.length() && "+-0123456789.eE".indexOf(s.charAt(at)) >= 0) at++;
      if (start == at) throw fail();
      try {
        return new TJSONNumber(Double.parseDouble(s.substring(start, at)));
      } catch (NumberFormatException e) {
        throw fail();
      }
    }
  }
}
