package com.vavurerazev.javaandroid;

public class TDBXSingleValue extends DBXValue {}
