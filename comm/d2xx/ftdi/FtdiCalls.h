#pragma once
/* The few libftdi1 calls the D2XX provider makes, as a table: the shared library uses the
 * real functions, the tests a fake that answers as libftdi1's documentation says. */
#include <ftdi.h>

#ifdef __cplusplus
extern "C" {
#endif

struct DabrixFtdiCalls {
    struct ftdi_context* (*New)(void);
    void (*Free)(struct ftdi_context* ftdi);
    int (*FindAll)(struct ftdi_context* ftdi, struct ftdi_device_list** list, int vendor, int product);
    void (*ListFree)(struct ftdi_device_list** list);
    int (*GetStrings)(struct ftdi_context* ftdi, struct libusb_device* dev, char* manufacturer,
                      int mnfLen, char* description, int descLen, char* serial, int serialLen);
    int (*SetInterface)(struct ftdi_context* ftdi, enum ftdi_interface interface);
    /* Not a libftdi1 function: the context's detach mode and time-outs are plain fields. */
    void (*SetDetachMode)(struct ftdi_context* ftdi, enum ftdi_module_detach_mode mode);
    void (*SetUsbTimeouts)(struct ftdi_context* ftdi, int readMs, int writeMs);
    int (*OpenDev)(struct ftdi_context* ftdi, struct libusb_device* dev);
    int (*Close)(struct ftdi_context* ftdi);
    int (*Reset)(struct ftdi_context* ftdi);
    int (*SetBaudrate)(struct ftdi_context* ftdi, int baudrate);
    int (*SetLineProperty2)(struct ftdi_context* ftdi, enum ftdi_bits_type bits,
                            enum ftdi_stopbits_type sbit, enum ftdi_parity_type parity,
                            enum ftdi_break_type breakType);
    int (*SetLatencyTimer)(struct ftdi_context* ftdi, unsigned char latency);
    int (*ReadChunksize)(struct ftdi_context* ftdi, unsigned int size);
    int (*WriteChunksize)(struct ftdi_context* ftdi, unsigned int size);
    int (*SetDtr)(struct ftdi_context* ftdi, int state);
    int (*SetRts)(struct ftdi_context* ftdi, int state);
    int (*ReadData)(struct ftdi_context* ftdi, unsigned char* buf, int size);
    int (*WriteData)(struct ftdi_context* ftdi, const unsigned char* buf, int size);
    int (*FlushRx)(struct ftdi_context* ftdi);
    int (*FlushTx)(struct ftdi_context* ftdi);
};

/* The table the provider uses from now on (the real one until replaced). Not exported from
 * the shared library. */
void DabrixFtdiUseCalls(const struct DabrixFtdiCalls* calls);
/* The real libftdi1 table (FtdiCallsLibftdi.c). */
extern const struct DabrixFtdiCalls DabrixFtdiLibftdi;

#ifdef __cplusplus
}
#endif
