package com.vavurerazev.javaandroid;

public class TDBXStreamValue extends DBXValue {}
