package com.vavurerazev.javaandroid;

public class TDBXUInt16Value extends DBXValue {}
