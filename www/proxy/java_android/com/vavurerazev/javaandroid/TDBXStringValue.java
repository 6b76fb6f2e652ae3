package com.vavurerazev.javaandroid;

public class TDBXStringValue extends DBXValue {}
