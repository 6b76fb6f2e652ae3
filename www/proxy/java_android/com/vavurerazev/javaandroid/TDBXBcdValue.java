package com.vavurerazev.javaandroid;

public class TDBXBcdValue extends DBXValue {}
