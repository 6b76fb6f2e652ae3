#import "DSRESTClient.h"

@implementation TJSONValue
+ (id)valueWithObject:(id)object {
  if (object == nil || object == [NSNull null]) return [[[TJSONNull alloc] initWithObject:nil] autorelease];
  if ([object isKindOfClass:[NSDictionary class]]) return [[[TJSONObject alloc] initWithObject:object] autorelease];
  if ([object isKindOfClass:[NSArray class]]) return [[[TJSONArray alloc] initWithObject:object] autorelease];
  return [[[TJSONValue alloc] initWithObject:object] autorelease];
}
- (id)initWithObject:(id)object {
  if ((self = [super init])) value = [object retain];
  return self;
}
- (id)asObject { return value ? value : [NSNull null]; }
- (NSString *)description { return [value description]; }
- (void)dealloc {
  [value release];
  [super dealloc];
}
@end
@implementation TJSONObject
@end
@implementation TJSONArray
@end
@implementation TJSONTrue
- (id)asObject { return [NSNumber numberWithBool:YES]; }
@end
@implementation TJSONFalse
- (id)asObject { return [NSNumber numberWithBool:NO]; }
@end
@implementation TJSONNull
- (id)asObject { return [NSNull null]; }
@end

@implementation TDBXReader
- (void)dealloc {
  [json release];
  [super dealloc];
}
@end
@implementation TDataSet
@end
@implementation TParams
@end

@implementation DBException
+ (void)raise:(NSString *)message {
  @throw [DBException exceptionWithName:@"DBException" reason:message userInfo:nil];
}
@end

@implementation DBXValue
- (id)initWithType:(int)type {
  if ((self = [super init])) {
    dbxType = type;
    isNull = YES;
  }
  return self;
}
- (void)dealloc {
  [objectValue release];
  [super dealloc];
}
- (int)DBXType { return dbxType; }
- (BOOL)isNull { return isNull; }
- (void)setNull {
  [objectValue release];
  objectValue = nil;
  numberValue = 0;
  isNull = YES;
}
- (void)SetTDBXNull:(NSString *)typeName { [self setNull]; }
- (void)setObject:(id)v {
  [v retain];
  [objectValue release];
  objectValue = v;
  isNull = v == nil;
}
- (void)setNumber:(double)v {
  [self setObject:nil];
  numberValue = v;
  isNull = NO;
}
- (id)JSONObject {
  if (isNull) return [NSNull null];
  if ([objectValue isKindOfClass:[TJSONValue class]]) return [objectValue asObject];
  if ([objectValue isKindOfClass:[TDBXReader class]]) return [((TDBXReader *)objectValue)->json asObject];
  if ([objectValue isKindOfClass:[DBXValue class]]) return [objectValue JSONObject];
  if ([objectValue isKindOfClass:[NSDate class]])
    return [NSNumber numberWithDouble:[(NSDate *)objectValue timeIntervalSince1970]];
  if ([objectValue isKindOfClass:[NSData class]]) {
    NSMutableArray *bytes = [NSMutableArray array];
    const unsigned char *p = [(NSData *)objectValue bytes];
    NSUInteger i;
    for (i = 0; i < [(NSData *)objectValue length]; i++) [bytes addObject:[NSNumber numberWithInt:p[i]]];
    return bytes;
  }
  if (objectValue) return objectValue;
  if (dbxType == BooleanType) return [NSNumber numberWithBool:numberValue != 0];
  return [NSNumber numberWithDouble:numberValue];
}
- (void)setFromJSONObject:(id)json {
  if (json == nil || json == [NSNull null]) {
    [self setNull];
  } else if ([json isKindOfClass:[NSNumber class]]) {
    [self setNumber:[json doubleValue]];
  } else if (dbxType == JsonValueType || dbxType == TableType) {
    [self setObject:[TJSONValue valueWithObject:json]];
  } else if (dbxType == BinaryBlobType && [json isKindOfClass:[NSArray class]]) {
    NSMutableData *data = [NSMutableData data];
    for (NSNumber *n in json) {
      unsigned char b = (unsigned char)[n intValue];
      [data appendBytes:&b length:1];
    }
    [self setObject:data];
  } else {
    [self setObject:json];
  }
}
- (NSString *)text { return isNull ? nil : (objectValue ? [objectValue description] : [[NSNumber numberWithDouble:numberValue] stringValue]); }
- (double)number { return objectValue ? [objectValue doubleValue] : numberValue; }

- (void)SetAsAnsiString:(NSString *)v { [self setObject:v]; }
- (NSString *)GetAsAnsiString { return [self text]; }
- (void)SetAsString:(NSString *)v { [self setObject:v]; }
- (NSString *)GetAsString { return [self text]; }
- (void)SetAsTDBXDate:(long)v { [self setNumber:v]; }
- (long)GetAsTDBXDate { return (long)[self number]; }
- (void)SetAsTDBXTime:(long)v { [self setNumber:v]; }
- (long)GetAsTDBXTime { return (long)[self number]; }
- (void)SetAsBoolean:(bool)v { [self setNumber:v ? 1 : 0]; }
- (bool)GetAsBoolean { return [self number] != 0; }
- (void)SetAsInt8:(int)v { [self setNumber:v]; }
- (int)GetAsInt8 { return (int)[self number]; }
- (void)SetAsInt16:(int)v { [self setNumber:v]; }
- (int)GetAsInt16 { return (int)[self number]; }
- (void)SetAsInt32:(long)v { [self setNumber:v]; }
- (long)GetAsInt32 { return (long)[self number]; }
- (void)SetAsInt64:(long long)v { [self setNumber:(double)v]; }
- (long long)GetAsInt64 { return (long long)[self number]; }
- (void)SetAsUInt8:(unsigned int)v { [self setNumber:v]; }
- (unsigned int)GetAsUInt8 { return (unsigned int)[self number]; }
- (void)SetAsUInt16:(unsigned int)v { [self setNumber:v]; }
- (unsigned int)GetAsUInt16 { return (unsigned int)[self number]; }
- (void)SetAsUInt32:(unsigned long)v { [self setNumber:v]; }
- (unsigned long)GetAsUInt32 { return (unsigned long)[self number]; }
- (void)SetAsUInt64:(unsigned long long)v { [self setNumber:(double)v]; }
- (unsigned long long)GetAsUInt64 { return (unsigned long long)[self number]; }
- (void)SetAsDouble:(double)v { [self setNumber:v]; }
- (double)GetAsDouble { return [self number]; }
- (void)SetAsSingle:(float)v { [self setNumber:v]; }
- (float)GetAsSingle { return (float)[self number]; }
- (void)SetAsCurrency:(double)v { [self setNumber:v]; }
- (double)GetAsCurrency { return [self number]; }
- (void)SetAsBcd:(double)v { [self setNumber:v]; }
- (double)GetAsBcd { return [self number]; }
- (void)SetAsTimeStamp:(NSDate *)v { [self setObject:v]; }
- (NSDate *)GetAsTimeStamp { return [self GetAsDateTime]; }
- (void)SetAsDateTime:(NSDate *)v { [self setObject:v]; }
- (NSDate *)GetAsDateTime {
  if (isNull) return nil;
  if ([objectValue isKindOfClass:[NSDate class]]) return objectValue;
  return [NSDate dateWithTimeIntervalSince1970:[self number]];
}
- (void)SetAsStream:(NSData *)v { [self setObject:v]; }
- (NSData *)GetAsStream { return [objectValue isKindOfClass:[NSData class]] ? objectValue : nil; }
- (void)SetAsJSONValue:(TJSONValue *)v { [self setObject:v]; }
- (TJSONValue *)GetAsJSONValue {
  if (isNull) return nil;
  if ([objectValue isKindOfClass:[TJSONValue class]]) return objectValue;
  return [TJSONValue valueWithObject:[self JSONObject]];
}
- (void)SetAsTable:(id)v { [self setObject:v]; }
- (id)GetAsTable {
  if (isNull) return nil;
  TDBXReader *reader = [[[TDBXReader alloc] init] autorelease];
  reader->json = [[self GetAsJSONValue] retain];
  return reader;
}
- (void)SetAsObject:(id)v { [self setObject:v]; }
- (id)GetAsObject { return objectValue; }
- (void)SetAsDBXValue:(DBXValue *)v { [self setObject:v]; }
- (DBXValue *)GetAsDBXValue {
  DBXValue *holder = [[[DBXValue alloc] initWithType:dbxType] autorelease];
  [holder setFromJSONObject:[self JSONObject]];
  return holder;
}
@end

@implementation TDBXAnsiStringValue
@end
@implementation TDBXAnsiCharsValue
@end
@implementation TDBXBooleanValue
@end
@implementation TDBXDoubleValue
@end
@implementation TDBXUInt8Value
@end
@implementation TDBXInt8Value
@end
@implementation TDBXUInt16Value
@end
@implementation TDBXInt16Value
@end
@implementation TDBXInt32Value
@end
@implementation TDBXInt64Value
@end
@implementation TDBXSingleValue
@end
@implementation TDBXStringValue
@end
@implementation TDBXTimeValue
@end
@implementation TDBXTimeStampValue
@end
@implementation TDBXWideStringValue
@end
@implementation TDBXDateValue
@end
@implementation TDBXReaderValue
@end
@implementation TDBXStreamValue
@end
@implementation TDBXBcdValue
@end

@implementation DSRESTParameterMetaData
+ (id)parameterWithName:(NSString *)name withDirection:(int)direction withDBXType:(int)type
           withTypeName:(NSString *)typeName {
  DSRESTParameterMetaData *p = [[[DSRESTParameterMetaData alloc] init] autorelease];
  p->Name = [name copy];
  p->Direction = direction;
  p->DBXType = type;
  p->TypeName = [typeName copy];
  return p;
}
- (void)dealloc {
  [Name release];
  [TypeName release];
  [super dealloc];
}
@end

@implementation DSRESTParameter
- (DBXValue *)getValue { return value; }
- (int)Direction { return metaData->Direction; }
- (void)dealloc {
  [metaData release];
  [value release];
  [super dealloc];
}
@end

@implementation DSRESTCommand
@synthesize RequestType, text, parameters;
- (id)initWithConnection:(DSRESTConnection *)aConnection {
  if ((self = [super init])) {
    connection = aConnection;
    parameters = [[NSMutableArray alloc] init];
  }
  return self;
}
- (void)dealloc {
  [text release];
  [parameters release];
  [super dealloc];
}
- (void)prepare:(NSArray *)metadata {
  [parameters removeAllObjects];
  for (DSRESTParameterMetaData *m in metadata) {
    DSRESTParameter *p = [[DSRESTParameter alloc] init];
    p->metaData = [m retain];
    p->value = [[DBXValue alloc] initWithType:m->DBXType];
    [parameters addObject:p];
    [p release];
  }
}
- (void)execute { [connection execute:self]; }
@end

@implementation DSRESTConnection
@synthesize Host, Port, URLScheme, UserName, Password;
- (void)dealloc {
  [Host release];
  [URLScheme release];
  [UserName release];
  [Password release];
  [super dealloc];
}
- (DSRESTCommand *)CreateCommand { return [[[DSRESTCommand alloc] initWithConnection:self] autorelease]; }
- (void)execute:(DSRESTCommand *)command {
  NSArray *names = [command.text componentsSeparatedByString:@"."];
  if ([names count] != 2) [DBException raise:@"Invalid command text"];
  NSMutableString *url = [NSMutableString stringWithFormat:@"%@://%@:%d/dataserver/rest/%@/%@",
                                                           URLScheme ? URLScheme : @"http", Host, Port,
                                                           [names objectAtIndex:0], [names objectAtIndex:1]];
  NSMutableArray *inputs = [NSMutableArray array];
  for (DSRESTParameter *p in command.parameters)
    if ([p Direction] == Input || [p Direction] == InputOutput) [inputs addObject:[[p getValue] JSONObject]];
  NSMutableURLRequest *request = [NSMutableURLRequest requestWithURL:[NSURL URLWithString:url]];
  if (command.RequestType == GET) {
    for (id v in inputs) {
      NSString *s = [v isKindOfClass:[NSString class]] ? v : [v description];
      [url appendFormat:@"/%@", [s stringByAddingPercentEscapesUsingEncoding:NSUTF8StringEncoding]];
    }
    [request setURL:[NSURL URLWithString:url]];
  } else {
    NSDictionary *body = [NSDictionary dictionaryWithObject:inputs forKey:@"_parameters"];
    [request setHTTPMethod:@"POST"];
    [request setHTTPBody:[NSJSONSerialization dataWithJSONObject:body options:0 error:NULL]];
  }
  NSError *error = nil;
  NSURLResponse *response = nil;
  NSData *data = [NSURLConnection sendSynchronousRequest:request returningResponse:&response error:&error];
  if (!data) [DBException raise:[error localizedDescription]];
  id answer = [NSJSONSerialization JSONObjectWithData:data options:0 error:&error];
  if (![answer isKindOfClass:[NSDictionary class]]) [DBException raise:@"Invalid answer"];
  if ([answer objectForKey:@"error"]) [DBException raise:[[answer objectForKey:@"error"] description]];
  NSArray *results = [[answer objectForKey:@"result"] isKindOfClass:[NSArray class]] ? [answer objectForKey:@"result"] : nil;
  NSUInteger next = 0;
  for (DSRESTParameter *p in command.parameters) {
    int d = [p Direction];
    if (d != Output && d != InputOutput && d != ReturnValue) continue;
    if (next < [results count]) [[p getValue] setFromJSONObject:[results objectAtIndex:next]];
    next++;
  }
}
@end

@implementation DSAdmin
- (id)initWithConnection:(DSRESTConnection *)aConnection {
  if ((self = [super init])) Connection = [aConnection retain];
  return self;
}
- (DSRESTConnection *)Connection { return Connection; }
- (void)dealloc {
  [Connection release];
  [super dealloc];
}
@end
