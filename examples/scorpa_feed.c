/* Scorpa from C: find the Velto printer on the SCSI bus, take a card to
 * the chip encoder, send it out again, close. Each step is printed as it
 * is done.
 *
 *   cc scorpa_feed.c $(pkg-config --cflags --libs scorpa) -o scorpa_feed
 *   ./scorpa_feed
 *
 * Exit status: 0 when every step was done, 1 otherwise. */
#include <stdio.h>

#include <scorpa/Scorpa.h>

/* Prints "<step>: done" or "<step>: failed" and gives the result back. */
static int Step(const char* name, ScorpaBool done)
{
    printf("%s: %s\n", name, done ? "done" : "failed");
    return done != 0;
}

int main(void)
{
    char product[SCORPA_PRODUCT_NAME_SIZE];
    int done;

    if (!Step("SCSIOpen", SCSIOpen())) return 1;
    /* Note the order: 0 means a name was found. */
    if (!SCSIGetProductName(product)) printf("printer: %s\n", product);

    /* Feed: to the encoder. The card would be encoded here. */
    done = Step("SCSISetRFProc", SCSISetRFProc()) && Step("SCSIFlipTurn", SCSIFlipTurn()) &&
           Step("SCSIPrintStart", SCSIPrintStart());
    /* Eject: from the encoder and out. */
    if (done)
        done = Step("SCSIRFEject", SCSIRFEject()) && Step("SCSIEject", SCSIEject()) &&
               Step("SCSIPrintStart", SCSIPrintStart());

    SCSIClose();
    printf("SCSIClose\n");
    return done ? 0 : 1;
}
