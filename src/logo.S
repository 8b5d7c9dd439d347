// logo_image: the logo drawn by the logo scene, as the record
// tools/imagegen writes it (header, pixels, terminator and padding).
	.section .rodata
	.balign 4
	.global logo_image
	.type logo_image, @object
logo_image:
	.incbin "logo.rec"
	.size logo_image, . - logo_image

	// Plain data: no executable stack wanted.
	.section .note.GNU-stack, "", @progbits
