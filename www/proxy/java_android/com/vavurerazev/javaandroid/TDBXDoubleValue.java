package com.vavurerazev.javaandroid;

public class TDBXDoubleValue extends DBXValue {}
