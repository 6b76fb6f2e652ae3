package com.vavurerazev.javaandroid;

public class TDBXUInt8Value extends DBXValue {}
