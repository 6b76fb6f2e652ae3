// Quillara REST client for Objective-C (Foundation; manual reference counting).
// A DSRESTConnection runs DSRESTCommand objects against a Quillara server's
// /dataserver/rest/ path; the generated DSProxy classes derive from DSAdmin.
#import <Foundation/Foundation.h>

typedef enum { GET = 0, POST, PUT, Delete } DSHTTPRequestType;

typedef enum { Input = 1, Output = 2, InputOutput = 3, ReturnValue = 4 } DSRESTParamDirection;

typedef enum {
  UnknownType = 0, AnsiStringType = 1, DateType = 2, BlobType = 3, BooleanType = 4, Int16Type = 5,
  Int32Type = 6, DoubleType = 7, BcdType = 8, BytesType = 9, TimeType = 10, DateTimeType = 11,
  UInt16Type = 12, UInt32Type = 13, VarBytesType = 15, CursorType = 17, Int64Type = 18,
  UInt64Type = 19, AdtType = 20, ArrayType = 21, RefType = 22, TableType = 23, TimeStampType = 24,
  CurrencyType = 25, WideStringType = 26, SingleType = 27, Int8Type = 28, UInt8Type = 29,
  ObjectType = 30, CharArrayType = 31, BinaryBlobType = 33, DBXConnectionType = 34,
  VariantType = 35, TimeStampOffsetType = 36, JsonValueType = 37, CallbackType = 38
} DBXDataType;

// JSON values as the server sends them.
@interface TJSONValue : NSObject {
 @protected
  id value;
}
+ (id)valueWithObject:(id)object;
- (id)initWithObject:(id)object;
- (id)asObject;
- (NSString *)description;
@end
@interface TJSONObject : TJSONValue
@end
@interface TJSONArray : TJSONValue
@end
@interface TJSONTrue : TJSONValue
@end
@interface TJSONFalse : TJSONValue
@end
@interface TJSONNull : TJSONValue
@end

// Tables travel as JSON; these keep the rows as they came.
@interface TDBXReader : NSObject {
 @public
  TJSONValue *json;
}
@end
@interface TDataSet : TDBXReader
@end
@interface TParams : TDBXReader
@end

@interface DBException : NSException
+ (void)raise:(NSString *)message;
@end

@class DBXValue;

// One parameter value of a command.
@interface DBXValue : NSObject {
 @protected
  int dbxType;
  BOOL isNull;
  id objectValue;
  double numberValue;
}
- (id)initWithType:(int)type;
- (int)DBXType;
- (BOOL)isNull;
- (void)setNull;
- (void)SetTDBXNull:(NSString *)typeName;
- (id)JSONObject;
- (void)setFromJSONObject:(id)json;

- (void)SetAsAnsiString:(NSString *)v;
- (NSString *)GetAsAnsiString;
- (void)SetAsString:(NSString *)v;
- (NSString *)GetAsString;
- (void)SetAsTDBXDate:(long)v;
- (long)GetAsTDBXDate;
- (void)SetAsTDBXTime:(long)v;
- (long)GetAsTDBXTime;
- (void)SetAsBoolean:(bool)v;
- (bool)GetAsBoolean;
- (void)SetAsInt8:(int)v;
- (int)GetAsInt8;
- (void)SetAsInt16:(int)v;
- (int)GetAsInt16;
- (void)SetAsInt32:(long)v;
- (long)GetAsInt32;
- (void)SetAsInt64:(long long)v;
- (long long)GetAsInt64;
- (void)SetAsUInt8:(unsigned int)v;
- (unsigned int)GetAsUInt8;
- (void)SetAsUInt16:(unsigned int)v;
- (unsigned int)GetAsUInt16;
- (void)SetAsUInt32:(unsigned long)v;
- (unsigned long)GetAsUInt32;
- (void)SetAsUInt64:(unsigned long long)v;
- (unsigned long long)GetAsUInt64;
- (void)SetAsDouble:(double)v;
- (double)GetAsDouble;
- (void)SetAsSingle:(float)v;
- (float)GetAsSingle;
- (void)SetAsCurrency:(double)v;
- (double)GetAsCurrency;
- (void)SetAsBcd:(double)v;
- (double)GetAsBcd;
- (void)SetAsTimeStamp:(NSDate *)v;
- (NSDate *)GetAsTimeStamp;
- (void)SetAsDateTime:(NSDate *)v;
- (NSDate *)GetAsDateTime;
- (void)SetAsStream:(NSData *)v;
- (NSData *)GetAsStream;
- (void)SetAsJSONValue:(TJSONValue *)v;
- (TJSONValue *)GetAsJSONValue;
- (void)SetAsTable:(id)v;
- (id)GetAsTable;
- (void)SetAsObject:(id)v;
- (id)GetAsObject;
- (void)SetAsDBXValue:(DBXValue *)v;
- (DBXValue *)GetAsDBXValue;
@end

// Value holders of the remoting layer: a value that may be null.
@interface TDBXAnsiStringValue : DBXValue
@end
@interface TDBXAnsiCharsValue : DBXValue
@end
@interface TDBXBooleanValue : DBXValue
@end
@interface TDBXDoubleValue : DBXValue
@end
@interface TDBXUInt8Value : DBXValue
@end
@interface TDBXInt8Value : DBXValue
@end
@interface TDBXUInt16Value : DBXValue
@end
@interface TDBXInt16Value : DBXValue
@end
@interface TDBXInt32Value : DBXValue
@end
@interface TDBXInt64Value : DBXValue
@end
@interface TDBXSingleValue : DBXValue
@end
@interface TDBXStringValue : DBXValue
@end
@interface TDBXTimeValue : DBXValue
@end
@interface TDBXTimeStampValue : DBXValue
@end
@interface TDBXWideStringValue : DBXValue
@end
@interface TDBXDateValue : DBXValue
@end
@interface TDBXReaderValue : DBXValue
@end
@interface TDBXStreamValue : DBXValue
@end
@interface TDBXBcdValue : DBXValue
@end

@interface DSRESTParameterMetaData : NSObject {
 @public
  NSString *Name;
  int Direction;
  int DBXType;
  NSString *TypeName;
}
+ (id)parameterWithName:(NSString *)name withDirection:(int)direction withDBXType:(int)type
           withTypeName:(NSString *)typeName;
@end

@interface DSRESTParameter : NSObject {
 @public
  DSRESTParameterMetaData *metaData;
  DBXValue *value;
}
- (DBXValue *)getValue;
- (int)Direction;
@end

@class DSRESTConnection;

@interface DSRESTCommand : NSObject {
  DSRESTConnection *connection;
  DSHTTPRequestType RequestType;
  NSString *text;
  NSMutableArray *parameters;
}
@property (assign) DSHTTPRequestType RequestType;
@property (copy) NSString *text;
@property (readonly) NSMutableArray *parameters;
- (id)initWithConnection:(DSRESTConnection *)aConnection;
- (void)prepare:(NSArray *)metadata;
- (void)execute;
@end

@interface DSRESTConnection : NSObject {
  NSString *Host;
  int Port;
  NSString *URLScheme;
  NSString *UserName;
  NSString *Password;
}
@property (copy) NSString *Host;
@property (assign) int Port;
@property (copy) NSString *URLScheme;
@property (copy) NSString *UserName;
@property (copy) NSString *Password;
- (DSRESTCommand *)CreateCommand;
- (void)execute:(DSRESTCommand *)command;
@end

// Base of the generated client classes.
@interface DSAdmin : NSObject {
 @protected
  DSRESTConnection *Connection;
}
- (id)initWithConnection:(DSRESTConnection *)aConnection;
- (DSRESTConnection *)Connection;
@end
