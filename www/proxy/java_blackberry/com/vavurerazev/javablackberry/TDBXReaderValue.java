package com.vavurerazev.javablackberry;

public class TDBXReaderValue extends DBXValue {}
