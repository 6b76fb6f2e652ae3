package com.vavurerazev.javaandroid;

public class TDBXInt8Value extends DBXValue {}
