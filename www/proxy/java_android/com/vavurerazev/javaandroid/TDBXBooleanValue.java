package com.vavurerazev.javaandroid;

public class TDBXBooleanValue extends DBXValue {}
