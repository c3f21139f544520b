#include "codecs/encoding.h"
