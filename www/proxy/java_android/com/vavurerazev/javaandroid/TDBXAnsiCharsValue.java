package com.vavurerazev.javaandroid;

public class TDBXAnsiCharsValue extends DBXValue {}
