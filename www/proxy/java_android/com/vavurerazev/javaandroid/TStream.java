package com.vavurerazev.javaandroid;

import java.io.ByteArrayInputStream;

/** Bytes a method returns or takes. */
public class TStream extends ByteArrayInputStream {
  public TStream(byte[] bytes) { super(bytes); }

  public byte[] asBytes() {
    byte[] copy = new byte[count];
    System.arraycopy(buf, 0, copy, 0, count);
    return copy;
  }
}
