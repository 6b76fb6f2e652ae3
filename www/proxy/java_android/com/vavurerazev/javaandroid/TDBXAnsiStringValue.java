package com.vavurerazev.javaandroid;

public class TDBXAnsiStringValue extends DBXValue {}
