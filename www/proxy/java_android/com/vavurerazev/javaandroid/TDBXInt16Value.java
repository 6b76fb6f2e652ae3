package com.vavurerazev.javaandroid;

public class TDBXInt16Value extends DBXValue {}
