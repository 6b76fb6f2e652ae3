package com.vavurerazev.javaandroid;

public class TDBXInt32Value extends DBXValue {}
