package com.vavurerazev.javaandroid;

import java.io.ByteArrayInputStream;

/** Bytes of a remote stream, readable as an input stream. */
public class TStream extends ByteArrayInputStream {
  private final byte[] data;

  public TStream(byte[] data) {
    super(data);
    this.data = data;
  }

  public byte[] asByteArray() {
    return data.clone();
  }
}
