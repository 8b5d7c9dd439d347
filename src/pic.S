// pic_image: the picture revealed by the picture scene, as the record
// tools/imagegen writes it (header, pixels, terminator and padding).
	.section .rodata
	.balign 4
	.global pic_image
	.type pic_image, @object
pic_image:
	.incbin "pic.rec"
	.size pic_image, . - pic_image

	// Plain data: no executable stack wanted.
	.section .note.GNU-stack, "", @progbits
