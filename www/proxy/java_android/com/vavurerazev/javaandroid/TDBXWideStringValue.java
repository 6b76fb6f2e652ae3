package com.vavurerazev.javaandroid;

public class TDBXWideStringValue extends DBXValue {}
