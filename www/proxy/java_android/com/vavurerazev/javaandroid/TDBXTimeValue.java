package com.vavurerazev.javaandroid;

public class TDBXTimeValue extends DBXValue {}
