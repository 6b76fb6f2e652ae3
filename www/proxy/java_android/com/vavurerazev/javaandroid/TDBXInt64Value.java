package com.vavurerazev.javaandroid;

public class TDBXInt64Value extends DBXValue {}
