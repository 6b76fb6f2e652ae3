package com.vavurerazev.javaandroid;

public class TDBXReaderValue extends DBXValue {}
