// Our OPC definitions: the Data Access 1.0a/2.0/3.0, Common 1.0 and Alarms and Events 1.0
// interfaces with their identifiers, structures, constants and result codes, binary compatible
// with the OPC clients and servers that run on Windows. Built on the platform face, so the same
// code compiles against the Windows headers and against our POSIX layer.
#pragma once

#include "vetrel/com.h"
#include "vetrel/opc/ae.h"
#include "vetrel/opc/ae_types.h"
#include "vetrel/opc/common.h"
#include "vetrel/opc/da.h"
#include "vetrel/opc/da3.h"
#include "vetrel/opc/da3_types.h"
#include "vetrel/opc/da_types.h"
#include "vetrel/opc/errors.h"
#include "vetrel/opc/guids.h"
#include "vetrel/opc/stream.h"
#include "vetrel/opc/types.h"
