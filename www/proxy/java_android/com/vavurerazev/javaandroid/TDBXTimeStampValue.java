package com.vavurerazev.javaandroid;

public class TDBXTimeStampValue extends DBXValue {}
