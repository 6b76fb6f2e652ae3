#import "DSRESTClient.h"
