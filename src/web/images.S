// The two pictures as tools/imagegen writes them, compiled in as the native
// build's logo.S and pic.S do, in WebAssembly's section syntax.
	.macro record name, file
	.section .rodata.\name,"",@
	.globl \name
	.type \name,@object
	.p2align 2
\name:
	.incbin "\file"
	.size \name, . - \name
	.endm

	record logo_image, "logo.rec"
	record pic_image, "pic.rec"
