# A cursor file (.cur) of one 32 x 32 monochrome image, white and opaque,
# with its hot spot in the middle: the file header and its one entry (size,
# hot spot, image bytes, offset), then the image as a cursor resource holds
# it after its hot spot (see QTV_CURSOR32 in resource_images.rh).
    .data
    .short 0, 2, 1
    .byte 32, 32, 0, 0
    .short 16, 16
    .long 40 + 8 + 128 + 128, 22
    .long 40, 32, 64
    .short 1, 1
    .long 0, 0, 0, 0, 0, 0
    .long 0, 0xFFFFFF
    .fill 32, 4, 0xFFFFFFFF
    .fill 32, 4, 0
