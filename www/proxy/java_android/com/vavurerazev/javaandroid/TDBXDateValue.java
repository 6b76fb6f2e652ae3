package com.vavurerazev.javaandroid;

public class TDBXDateValue extends DBXValue {}
